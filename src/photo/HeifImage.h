// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The HEIF family of photo files (HEIC from phones, HEIF, AVIF) as the image
// test and the properties need it: whether the decoder accepts a file, the
// size of its primary image and the metadata attached to that image. Only
// the file's structure and the primary image's header are read; nothing is
// decoded.

#include "photo/PhotoSource.h"
#include "photo/PixelSize.h"

#include <optional>

namespace kelvara {

struct THeifPrimaryImage {
    // The size as stored (the 'ispe' property: before the rotation or crop a
    // viewer applies).
    TPixelSize size;
    // The primary image's Exif block from its TIFF header on, and its XMP
    // packet; empty when the file has none or it cannot be read.
    TBytes exif;
    TBytes xmp;
};

// The primary image of `source` when it is a whole HEIF-family file whose
// primary image the decoder can read the header of. nullopt for anything
// else: another format, a file cut short, a damaged structure, or a primary
// image without a readable coding header. Of a file, only the boxes' heads,
// the box that describes the images and the metadata blocks are read.
std::optional<THeifPrimaryImage> ReadHeifPrimaryImage(TPhotoSource& source);
std::optional<THeifPrimaryImage> ReadHeifPrimaryImage(const TBytes& content);

// The same test and size, without the metadata.
std::optional<TPixelSize> ReadHeifPrimarySize(TPhotoSource& source);
std::optional<TPixelSize> ReadHeifPrimarySize(const TBytes& content);

} // namespace kelvara
