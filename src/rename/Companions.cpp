// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename/Companions.h"

#include "base/PathName.h"
#include "photo/ImageTest.h"
#include "platform/FolderProbe.h"
#include "rename/LivePhotoPair.h"
#include "rename/Log.h"
#include "rename/NewName.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <exception>
#include <string_view>

namespace kelvara {

namespace {

// Each companion extension as it is looked for: lower case, then upper.
constexpr std::array WholeNameExtensions = {".xmp", ".XMP", ".pp3", ".PP3", ".dop", ".DOP"};
constexpr std::array StemExtensions = {".xmp", ".XMP", ".aae", ".AAE"};
constexpr std::array LivePhotoExtensions = {".mov", ".MOV"};

// The photo kinds a Live Photo's video sits beside: an iPhone takes HEIC,
// or JPEG when set to "Most Compatible"; HEIF is HEIC by its other name.
constexpr std::array LivePhotoStillExtensions = {"heic", "heif", "jpg", "jpeg"};

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// A Live Photo's video by its extension (the only candidates so named).
bool IsLivePhotoVideoName(std::string_view name) {
    return std::any_of(LivePhotoExtensions.begin(), LivePhotoExtensions.end(),
                       [&](const char* extension) { return name.ends_with(extension); });
}

} // namespace

std::vector<std::string> CompanionCandidates(const std::string& photoName) {
    // The extension is what follows the last dot; a leading dot only marks
    // a hidden file (".IMG" has none).
    const std::size_t dot = photoName.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > 0;
    const std::string stem = hasExtension ? photoName.substr(0, dot) : photoName;
    const std::string_view extension =
        hasExtension ? std::string_view(photoName).substr(dot + 1) : std::string_view();

    std::vector<std::string> names;
    const auto add = [&](std::string name) {
        // Without an extension the stem is the whole name, and "stem.xmp" is
        // "name.xmp"; a photo itself named "x.xmp" is no companion of itself.
        if (name != photoName && std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(std::move(name));
    };
    for (const char* companion : WholeNameExtensions)
        add(photoName + companion);
    for (const char* companion : StemExtensions)
        add(stem + companion);
    if (std::any_of(LivePhotoStillExtensions.begin(), LivePhotoStillExtensions.end(),
                    [&](const char* still) { return EqualsIgnoringAsciiCase(extension, still); }))
        for (const char* companion : LivePhotoExtensions)
            add(stem + companion);
    return names;
}

std::vector<TCompanion> FindCompanions(const std::string& photoPath, const TImageTest& isImage,
                                       const std::optional<std::string>& photoIdentifier) {
    const TSplitPath split = SplitPath(photoPath);
    const TFolderProbe folder(split.folder);
    std::vector<std::string> found;
    for (std::string& name : CompanionCandidates(split.name))
        if (folder.Look(name) == TEntryKind::RegularFile)
            found.push_back(std::move(name));

    // Both spellings of a name answer: two files where letter case counts,
    // one file under either spelling where it does not (a card's exFAT).
    // Only the listing tells, and then also which spelling is the file's own
    // (the one its new name must keep), and that "img_0001.XMP" is not
    // "IMG_0001.xmp". A case-sensitive folder rarely gets here.
    std::vector<std::string> ambiguous;
    for (const std::string& name : found)
        if (std::count_if(found.begin(), found.end(), [&](const std::string& other) {
                return EqualsIgnoringAsciiCase(name, other);
            }) > 1)
            ambiguous.push_back(name);
    if (!ambiguous.empty()) {
        const std::vector<std::string> held = folder.HeldSpellings(ambiguous);
        std::erase_if(found, [&](const std::string& name) {
            return std::find(ambiguous.begin(), ambiguous.end(), name) != ambiguous.end() &&
                   std::find(held.begin(), held.end(), name) == held.end();
        });
    }

    std::vector<TCompanion> companions;
    for (std::string& name : found) {
        std::string path = SiblingPath(photoPath, name);
        std::optional<TFileIdentity> identity;
        bool image = true;
        try {
            identity = FileIdentityAt(path);
            if (!identity)
                continue; // gone, or no longer a regular file, since the look
            image = isImage ? isImage(path) : IsImageFile(path);
        } catch (const std::exception& error) {
            // Whatever it is, it is not known to be no image: it stays out,
            // and is looked at on its own when its turn comes.
            LogDebug(lcRename) << "no companion:" << DecodedPath(path) << ":" << error.what();
        }
        if (image) {
            LogDebug(lcRename) << "no companion:" << DecodedPath(path) << "is an image";
            continue;
        }
        if (IsLivePhotoVideoName(name) && !IsLivePhotoVideoOf(path, photoPath, photoIdentifier)) {
            LogDebug(lcRename) << "no companion:" << DecodedPath(path)
                               << "is another Live Photo's video";
            continue;
        }
        companions.push_back({std::move(name), std::move(path), identity});
    }
    return companions;
}

std::string SiblingPath(const std::string& path, const std::string& name) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? name : path.substr(0, slash + 1) + name;
}

} // namespace kelvara
