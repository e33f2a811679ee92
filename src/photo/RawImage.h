// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Camera RAW files (CR2, CR3, NEF, ARW, DNG, ORF, RW2, RAF, PEF and the rest
// the RAW decoder knows) as the image test and the properties need them. Only
// the headers are read; the sensor data is not unpacked.

#include "photo/PhotoSource.h"
#include "photo/PixelSize.h"

#include <optional>

namespace kelvara {

struct TRawImageHeader {
    // The sensor image's visible area, as stored (before the camera's
    // rotation is applied).
    TPixelSize size;
    // The sensor data the header points to lies within the file. A RAW file
    // cut short keeps its headers (they come first) but loses this.
    bool dataComplete = false;
};

// The header of the camera RAW image in `source`, or nullopt when the RAW
// decoder does not take it for one: another format (a plain TIFF or JPEG
// included), a damaged header or an image without a usable size. The
// decoder reads a file only where it looks (its headers), knowing the
// file's whole size, so a file answers as its whole content would.
std::optional<TRawImageHeader> ReadRawImageHeader(TPhotoSource& source);
std::optional<TRawImageHeader> ReadRawImageHeader(const TBytes& content);

} // namespace kelvara
