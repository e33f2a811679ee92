// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An image's size in pixels, as a header states it.

namespace kelvara {

struct TPixelSize {
    int width = 0;
    int height = 0;
    bool IsEmpty() const { return width <= 0 || height <= 0; }
    bool operator==(const TPixelSize&) const = default;
};

} // namespace kelvara
