// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename/LivePhotoPair.h"

#include "base/Contained.h"
#include "base/PathName.h"
#include "photo/MediaFile.h"
#include "photo/PhotoFile.h"
#include "rename/Log.h"

#include <exception>

namespace kelvara {

namespace {

// The identifier of the photo or video at `path`; none where it cannot be
// read (the pair then stays together, as it always did).
std::string ContentIdentifierOf(const std::string& path, bool video) {
    try {
        const auto properties =
            video ? ReadMediaFile(path, TMediaChoice{true}) : ReadPhotoFile(path);
        return properties ? properties->ContentIdentifier : std::string();
    } catch (...) {
        qCDebug(lcRename) << "no content identifier read:" << DecodedPath(path) << ":"
                          << qUtf8Printable(ThrownText(std::current_exception()));
        return {};
    }
}

} // namespace

bool IsLivePhotoVideoOf(const std::string& videoPath, const std::string& photoPath,
                        const std::optional<std::string>& photoIdentifier) {
    const std::string video = ContentIdentifierOf(videoPath, true);
    if (video.empty())
        return true;
    const std::string photo =
        photoIdentifier ? *photoIdentifier : ContentIdentifierOf(photoPath, false);
    return photo.empty() || photo == video;
}

} // namespace kelvara
