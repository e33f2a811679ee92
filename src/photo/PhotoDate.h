// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The shooting date's text forms. Photos store their date in three metadata
// families, each with its own notation; the rename step wants one:
// "YYYY:MM:DD HH:MM:SS" (Exif's own), so that removing ':' and ' ' leaves the
// digits of year, month, day, hour, minute and second in that order.
//
// Each function gives that form when its input holds a real date and time,
// and the empty text otherwise. Real means a year other than 0000, a month
// 01-12, a day 01-31 and a time of day 00:00:00-23:59:59. Cameras without a
// set clock write "0000:00:00 00:00:00" or blanks: those are no date, and the
// caller goes on to the next source. A time-zone suffix is dropped: the name
// shows the clock time at which the photo was taken, as the camera saw it.

#include <string>
#include <string_view>

namespace kelvara {

// An Exif date value ("2008:03:18 12:26:27"). Exif values are fixed-length
// fields, often padded: the text is cut at its first NUL and trimmed of
// blanks before it must match the form exactly.
std::string ExifDateTime(std::string_view value);

// An XMP date (ISO 8601 as XMP writes it): "2010-04-13T09:37:22+02:00",
// "2010-04-13T09:37:22.25Z", "2010-04-13T09:37" or "2010-04-13" (00:00:00).
// Writers that put Exif notation into XMP ("2010:04:13 09:37:22") are taken
// as well. A date without a day is no date.
std::string XmpDateTime(std::string_view value);

// IPTC's separate date and time: `date` as "2005-12-14" (or the raw
// "20051214"), `time` as "14:39:47+02:00" (or the raw "143947+0200"). An
// empty `time` counts as 00:00:00; a time that is present but not a time
// makes the whole no date.
std::string IptcDateTime(std::string_view date, std::string_view time);

} // namespace kelvara
