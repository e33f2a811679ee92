// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The base of the image binding's wrapper objects (photo/GPImage.h). On
// Windows a wrapper stands for one native GDI+ resource, so it can be neither
// copied nor moved; the binding here keeps that shape.

namespace kelvara {

class TGdiplusBase {
public:
    TGdiplusBase(const TGdiplusBase&) = delete;
    TGdiplusBase& operator=(const TGdiplusBase&) = delete;

protected:
    TGdiplusBase() = default;
    ~TGdiplusBase() = default;
};

} // namespace kelvara
