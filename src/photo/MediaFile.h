// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A file as the rename step reads it when the user may also want videos
// renamed: a photo as photo/PhotoFile.h reads it, and, only when the choice
// is on, a video of the ISO media and QuickTime family as
// photo/VideoProperties.h reads it, in the same form. With the choice off a
// video is what it always was: no photo, read no further than its head.

#include "photo/PhotoProperties.h"
#include "photo/PhotoSource.h"
#include "platform/FileIdentity.h"

#include <functional>
#include <optional>
#include <string>

namespace kelvara {

struct TMediaChoice {
    // Videos too (off: photos only, as ever).
    bool videos = false;
};

// What a read learnt beside the properties.
struct TMediaReadNotes {
    // The file read, from the descriptor it was read through, as soon as it
    // was open: a later look can tell whether its name still holds it.
    TFileIdentity identity;
    // The properties are a video's.
    bool video = false;
    // Why a video has no date ("no movie box", say); empty otherwise.
    std::string videoFailure;
};

// The properties of the photo, or with `choice.videos` of the video, at
// `path`; nullopt for any other file. A video without a date has empty
// DateTaken (it keeps its name). Throws as ReadPhotoFile does; for a video
// only std::system_error (a failed read, `abort` held) or std::bad_alloc.
// `notes`, when given, gets what the read learnt beside (filled as far as
// the read came where it throws). Any thread may call it.
std::optional<TPhotoProperties> ReadMediaFile(const std::string& path, const TMediaChoice& choice,
                                              std::function<bool()> abort = {},
                                              TMediaReadNotes* notes = nullptr);

// The properties of the video in `source`, in a photo's form; nullopt when it
// is no video of the family. Reads only box headers and the movie box.
// `failure`, when given, gets why a video has no date.
std::optional<TPhotoProperties> ReadVideoAsPhoto(TPhotoSource& source,
                                                 std::string* failure = nullptr);

} // namespace kelvara
