// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a file's shooting date came from, so that the history can show it:
// a video's date may be off by a time zone where its camera wrote local time
// where UTC belongs, and the user then wants to know which source was used.

namespace kelvara {

enum class TDateSource {
    None,              // no date
    PhotoMetadata,     // a photo's Exif, IPTC or XMP (photo/PhotoProperties.h)
    AppleCreationDate, // a video's com.apple.quicktime.creationdate, with its zone
    XmpDate,           // a video's XMP date, with its zone
    UserDataDate,      // a video's \xA9day user data date, with its zone
    MovieHeaderUtc,    // a video's movie header time (UTC) in this machine's zone
};

// A short English name for it, stable: the history stores it.
inline const char* DateSourceName(TDateSource source) {
    switch (source) {
    case TDateSource::None:
        return "none";
    case TDateSource::PhotoMetadata:
        return "photo metadata";
    case TDateSource::AppleCreationDate:
        return "com.apple.quicktime.creationdate";
    case TDateSource::XmpDate:
        return "XMP date";
    case TDateSource::UserDataDate:
        return "user data date";
    case TDateSource::MovieHeaderUtc:
        return "movie header (UTC, local time here)";
    }
    return "none";
}

} // namespace kelvara
