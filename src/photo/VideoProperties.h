// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The properties of a video of the ISO media and QuickTime family (MP4, MOV,
// M4V, 3GP), told by its head (photo/MediaContainer.h), never by its name:
// its date (photo/VideoDate.h), its first video track's size and its model,
// in the forms a photo's have, and Apple's content identifier.
//
// Only box headers are read to find the movie box, wherever it stands (at
// the end of a 4 GB file, too), and of the movie box only the few small
// boxes that hold these (photo/MovieBox.h): a few hundred KB at most, never
// the media data. A movie box above MostMovieBoxSize is refused: no camera
// writes one, and it would be read by the box.
//
// Exiv2's own QuickTime reader (0.27, built with video support in Debian)
// is not used: it knows 32-bit box sizes only, looks for a track's handler
// by reading on four bytes at a time (through the media data, where it is
// missing) and reads sizes it was given into small fixed buffers; the
// metadata reader never hands it a video (photo/PhotoProperties.cpp).

#include "photo/ByteSource.h"
#include "photo/DateSource.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kelvara {

// Larger than the movie box of hours of video at 60 frames a second.
inline constexpr std::int64_t MostMovieBoxSize = 16 * 1024 * 1024;

struct TVideoProperties {
    // "YYYY:MM:DD HH:MM:SS", local wall-clock time; empty for no date.
    std::string DateTaken;
    TDateSource DateSource = TDateSource::None;
    // "W x H", the first video track's display size; empty when unknown.
    std::string Dimensions;
    // As written (Apple's model key, else the user data's), trimmed;
    // untrusted, may hold any character.
    std::string CameraModel;
    // com.apple.quicktime.content.identifier; empty when absent.
    std::string ContentIdentifier;
    // Why no date, for debug lines: "no movie box", "movie box too large".
    std::string failure;
};

// The properties of the video in `source`, or nullopt when its head is no
// video of the family. A video whose movie box is missing, cut short, too
// large or damaged gives what could be read (no date at worst). Never throws
// for any content; std::bad_alloc at most.
std::optional<TVideoProperties> ReadVideoProperties(IByteSource& source);

} // namespace kelvara
