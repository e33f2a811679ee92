// SPDX-License-Identifier: GPL-3.0-or-later
#include "photo/qt/SourceDevice.h"

namespace kelvara {

TSourceDevice::TSourceDevice(TPhotoSource& source) : m_source(source) {
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 TSourceDevice::readData(char* data, qint64 maxSize) {
    // Unbuffered, pos() is where the next byte comes from, as in QBuffer.
    return m_source.ReadInto(pos(), data, maxSize);
}

qint64 TSourceDevice::writeData(const char* /*data*/, qint64 /*size*/) {
    return -1;
}

} // namespace kelvara
