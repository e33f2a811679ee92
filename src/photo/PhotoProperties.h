// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The three properties of a photo that its new name is made of, read from the
// photo's own metadata (Exif, IPTC, XMP) with Exiv2. The texts have the forms
// the rename step relies on; a property the photo does not hold is the empty
// text, never an error.

#include "photo/DateSource.h"
#include "photo/PhotoSource.h"

#include <stdexcept>
#include <string>

namespace kelvara {

struct TPhotoProperties {
    // "YYYY:MM:DD HH:MM:SS", the first real date and time in this order:
    // Exif DateTimeOriginal; IPTC DateCreated with TimeCreated (00:00:00
    // when there is none); XMP xmp:CreateDate; Exif DateTimeDigitized; XMP
    // exif:DateTimeOriginal. Empty when none holds one.
    std::string DateTaken;
    // "W x H", the image's own pixel size as stored, e.g. "1600 x 1200"
    // (for HEIF files the primary image's, for RAW files the sensor image's
    // when Exiv2 does not know it); empty when the size is unknown.
    std::string Dimensions;
    // Exif Image Model as written by the camera, trimmed, e.g. "Canon IXY
    // DIGITAL 900 IS"; empty when absent. Untrusted: it may hold any
    // character.
    std::string CameraModel;
    // Where DateTaken came from (for a video: which of its dates,
    // photo/VideoDate.h); None when there is no date.
    TDateSource DateSource = TDateSource::None;
    // Apple's content identifier, which a Live Photo's still (its maker
    // note) and video share (photo/AppleMakerNote.h); empty when absent.
    std::string ContentIdentifier;
};

// The metadata library could not make sense of the content: an unknown
// format, or a damaged one. The file is to be skipped.
class TPhotoPropertiesError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the properties from a file's whole content (see ReadFileContent), or
// from a file read head first: of a JPEG only its markers up to the first
// scan, of a HEIF file only its image description and metadata blocks, of
// anything else (TIFF-based RAW files, say) the whole file, since the
// metadata library needs it so. A video container is refused by its head.
// Throws TPhotoPropertiesError when the content is no format the library
// knows or its metadata cannot be read (whatever the library threw for it),
// and std::system_error when the file
// could not be read; a damaged file that makes the library ask for absurd
// amounts of memory may also end in std::bad_alloc. Requires a
// TPhotoMetadataLibrary to exist. Reads only; the content is never changed.
TPhotoProperties ReadPhotoProperties(const TBytes& content);
TPhotoProperties ReadPhotoProperties(TPhotoSource& source);

} // namespace kelvara
