// SPDX-License-Identifier: GPL-3.0-or-later
#include "photo/ImageTest.h"

#include "base/PathName.h"
#include "photo/GPImage.h"
#include "photo/Log.h"
#include "photo/PhotoSource.h"

#include <system_error>

namespace kelvara {

bool IsImageFile(const std::string& path) {
    try {
        // Head first: a video or any other non-image is not read further.
        TFileSource source(path);
        const bool image = IsImageContent(source);
        source.CheckReads();
        return image;
    } catch (const std::system_error& error) {
        // Unreadable, gone, or no regular file: no image.
        LogDebug(lcPhoto) << "no image:" << DecodedPath(path) << ":" << error.what();
        return false;
    }
}

} // namespace kelvara
