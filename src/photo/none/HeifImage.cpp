// SPDX-License-Identifier: GPL-3.0-or-later
// An edition built without libheif (the Windows one: Debian has no Windows
// build of it): no file is taken for a HEIF-family image by this reader, so
// phone photos in HEIC, HEIF and AVIF keep their names there.
#include "photo/HeifImage.h"

namespace kelvara {

std::optional<THeifPrimaryImage> ReadHeifPrimaryImage(TPhotoSource&) {
    return std::nullopt;
}

std::optional<THeifPrimaryImage> ReadHeifPrimaryImage(const TBytes&) {
    return std::nullopt;
}

std::optional<TPixelSize> ReadHeifPrimarySize(TPhotoSource&) {
    return std::nullopt;
}

std::optional<TPixelSize> ReadHeifPrimarySize(const TBytes&) {
    return std::nullopt;
}

} // namespace kelvara
