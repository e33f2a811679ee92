// SPDX-License-Identifier: GPL-3.0-or-later
// An edition built without LibRaw (the Windows one): no RAW sensor header is
// read, so a RAW file's size is whatever the metadata library finds, and a
// RAW format only LibRaw knows is no image there.
#include "photo/RawImage.h"

namespace kelvara {

std::optional<TRawImageHeader> ReadRawImageHeader(TPhotoSource&) {
    return std::nullopt;
}

std::optional<TRawImageHeader> ReadRawImageHeader(const TBytes&) {
    return std::nullopt;
}

} // namespace kelvara
