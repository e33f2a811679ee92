// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A video's shooting date, as the local wall-clock time of the moment it was
// taken, so that its name carries the same time as a photo taken beside it
// (photos hold the camera's own clock time). In this order:
//
//  1. a creation date that carries its own zone offset ("+09:00", "-0500")
//     gives its own wall-clock time, as a photo's date would: Apple's
//     com.apple.quicktime.creationdate, then an XMP date (xmp:CreateDate,
//     exif:DateTimeOriginal), then the user data date (\xA9day);
//  2. otherwise the movie header's creation time, which the format defines
//     as UTC seconds since 1904-01-01, in this machine's time zone at that
//     instant (daylight saving included). Some cameras write their local
//     time there instead: their videos come out off by the zone's offset,
//     and the date's source says so.
//
// A date in UTC ("Z") is no wall-clock time of its own and counts as none
// in step 1. No date, or the zero time (1904-01-01 00:00:00, a camera
// without a clock), means no date.

#include "photo/DateSource.h"
#include "photo/MovieBox.h"

#include <string>
#include <string_view>

namespace kelvara {

struct TVideoDate {
    std::string text; // "YYYY:MM:DD HH:MM:SS", or empty for no date
    TDateSource source = TDateSource::None;
};

TVideoDate VideoDate(const TMovieMetadata& metadata);

// The wall-clock time of an ISO 8601 date with a numeric zone offset
// ("2021-04-11T15:47:53-0500" gives "2021:04:11 15:47:53"); empty for a date
// without one, in UTC ("Z"), or no date.
std::string WallClockOfOffsetDate(std::string_view text);

// The local wall-clock time of a movie header's creation time (seconds since
// 1904-01-01 UTC); empty for 0 or an instant the calendar cannot show.
std::string LocalTimeOfMovieTime(std::uint64_t secondsSince1904);

// The first date in an XMP packet (xmp:CreateDate, then
// exif:DateTimeOriginal) as written, attribute or element; empty when none.
std::string XmpCreateDate(std::string_view packet);

} // namespace kelvara
