// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which files belong to a photo: its companions. Developing programs keep a
// photo's edits, and phones a Live Photo's video, in files found by the
// photo's name; when the photo takes a new name they must take the same
// prefix, or the program that made them no longer finds them. (Moving them
// with the photo is rename/CompanionMove.h.)
//
// In the photo's own folder, names compared byte for byte, except the
// companion's extension, which is looked for in lower and in upper case
// (".xmp" and ".XMP"; mixed spellings such as ".Xmp" are not looked for):
//
//  - name.xmp, name.pp3, name.dop, where name is the photo's whole file name
//    (darktable, RawTherapee, DxO: "IMG_0001.CR2.xmp");
//  - stem.xmp and stem.aae, where stem is the name without its extension
//    (Lightroom, digiKam, an iPhone's edits: "IMG_0001.xmp", "IMG_5195.AAE");
//  - stem.mov beside a HEIC, HEIF or JPEG photo, told by the photo's
//    extension (the video half of a Live Photo: "IMG_5195.MOV").
//
// A companion is a regular file (not a link, a folder or a device) that the
// image test says is no image: a file that is an image gets its own name
// from its own metadata when its turn comes, whatever it is called.
//
// Candidates are looked up one name at a time (platform/FolderProbe.h),
// not by listing the folder, so finding them costs the same in a folder of
// ten files or of ten thousand. Only where both spellings of an extension
// answer is the folder listed, to tell the file's own spelling: on a file
// system that ignores letter case (FAT, exFAT), where "IMG_0001.xmp" finds
// "IMG_0001.XMP" and "img_0001.xmp" too, that is whenever a companion-like
// file is there; where case counts, only when both files really are.

#include "platform/FileIdentity.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kelvara {

// Says whether the file at a path is an image (photo/ImageTest.h).
using TImageTest = std::function<bool(const std::string& path)>;

struct TCompanion {
    std::string name; // its file name
    std::string path; // its full path, in the photo's folder
    // The file found, as it was when found (before its image test): it moves
    // only while its name still holds this file.
    std::optional<TFileIdentity> identity;
};

// The names that would be companions of a photo named `photoName`, in the
// order they are looked up; none of them is `photoName` itself.
std::vector<std::string> CompanionCandidates(const std::string& photoName);

// The companions of the photo at `photoPath` as they are now, each under
// its own spelling, in the order of CompanionCandidates. `isImage` is the image test; left empty,
// the step's own (IsImageFile). Throws std::system_error when the photo's folder cannot be opened
// or a name in it cannot be looked up.
std::vector<TCompanion> FindCompanions(const std::string& photoPath,
                                       const TImageTest& isImage = {});

// The path of the file `name` in the folder that holds `path`.
std::string SiblingPath(const std::string& path, const std::string& name);

} // namespace kelvara
