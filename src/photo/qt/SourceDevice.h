// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A photo source as a device for Qt's image reader: random access, read
// where the reader looks and nowhere else. It behaves as a QBuffer over the
// whole content would (unbuffered, positions and sizes alike), so a file
// and its content get the same answer.

#include "photo/PhotoSource.h"

#include <QIODevice>

namespace kelvara {

class TSourceDevice final : public QIODevice {
public:
    // Open for reading from the start.
    explicit TSourceDevice(TPhotoSource& source);

    bool isSequential() const override { return false; }
    qint64 size() const override { return m_source.Size(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    TPhotoSource& m_source;
};

} // namespace kelvara
