// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename/LivePhotoPair.h"

#include "base/Contained.h"
#include "base/PathName.h"
#include "photo/MediaFile.h"
#include "photo/PhotoFile.h"
#include "platform/FolderProbe.h"
#include "rename/Companions.h"
#include "rename/Log.h"
#include "rename/NewName.h"

#include <array>
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
        LogDebug(lcRename) << "no content identifier read:" << DecodedPath(path) << ":"
                           << ThrownText(std::current_exception()).c_str();
        return {};
    }
}

// The spellings of a Live Photo's still looked for beside its MOV, as
// rename/Companions.h takes the MOV along from them.
constexpr std::array StillExtensions = {".heic", ".HEIC", ".heif", ".HEIF",
                                        ".jpg",  ".JPG",  ".jpeg", ".JPEG"};

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

std::optional<std::string> LivePhotoStillOf(const std::string& videoPath,
                                            const std::string& videoIdentifier) {
    const TSplitPath split = SplitPath(videoPath);
    const std::string& name = split.name;
    if (name.size() <= 4 || !(name.ends_with(".mov") || name.ends_with(".MOV")))
        return std::nullopt;
    const std::string stem = name.substr(0, name.size() - 4);
    const TFolderProbe folder(split.folder);
    for (const char* extension : StillExtensions) {
        const std::string still = stem + extension;
        if (folder.Look(still) != TEntryKind::RegularFile)
            continue;
        const std::string stillPath = SiblingPath(videoPath, still);
        try {
            const auto photo = ReadPhotoFile(stillPath);
            if (!photo)
                continue; // no image: nothing takes the MOV along
            if (!videoIdentifier.empty() && !photo->ContentIdentifier.empty() &&
                photo->ContentIdentifier != videoIdentifier)
                continue; // a name twin from another camera
        } catch (...) {
            LogDebug(lcRename) << "no content identifier read:" << DecodedPath(stillPath) << ":"
                               << ThrownText(std::current_exception()).c_str();
        }
        return stillPath;
    }
    return std::nullopt;
}

} // namespace kelvara
