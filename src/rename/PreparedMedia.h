// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// PreparePhoto (rename/PreparedPhoto.h) for the reader thread when the user
// may also want videos renamed: with the choice on, a video of the ISO media
// and QuickTime family comes prepared with its properties as a photo does
// (photo/MediaFile.h); with it off, exactly PreparePhoto.
//
// A Live Photo's video stays its photo's companion: a MOV that a photo
// beside it takes along (rename/LivePhotoPair.h) comes with no properties
// and the photo's path in `livePhotoOf`, so that it is never renamed on its
// own, whichever of the two comes first.

#include "photo/MediaFile.h"
#include "rename/PreparedPhoto.h"

#include <functional>
#include <string>

namespace kelvara {

// Reads the file at `path`. Every failure ends in `failure`; none escapes.
TPreparedPhoto PrepareMedia(const std::string& path, const TMediaChoice& choice,
                            std::function<bool()> abort = {});

} // namespace kelvara
