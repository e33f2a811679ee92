// SPDX-License-Identifier: GPL-3.0-or-later
#include "photo/VideoDate.h"

#include "photo/PhotoDate.h"
#include "platform/LocalTime.h"

#include <cstdio>

namespace kelvara {

namespace {

// Seconds from 1904-01-01 to 1970-01-01, both UTC.
constexpr std::uint64_t MovieEpochToUnix = 2082844800;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// "+HH", "+HHMM" or "+HH:MM" (or "-"), hours up to 23 and minutes to 59.
bool IsZoneOffset(std::string_view zone) {
    if (zone.size() < 3 || (zone[0] != '+' && zone[0] != '-') || !IsDigit(zone[1]) ||
        !IsDigit(zone[2]))
        return false;
    if ((zone[1] - '0') * 10 + (zone[2] - '0') > 23)
        return false;
    std::string_view minutes = zone.substr(3);
    if (!minutes.empty() && minutes[0] == ':')
        minutes.remove_prefix(1);
    if (minutes.empty())
        return zone.size() == 3;
    return minutes.size() == 2 && IsDigit(minutes[0]) && IsDigit(minutes[1]) && minutes[0] <= '5';
}

std::string Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1));
}

// The value of `name` in an XMP packet: name="value" or <name>value</name>.
std::string XmpValue(std::string_view packet, std::string_view name) {
    for (std::size_t at = packet.find(name); at != std::string_view::npos;
         at = packet.find(name, at + 1)) {
        std::string_view rest = packet.substr(at + name.size());
        if (rest.starts_with("=\"") || rest.starts_with("='")) {
            const char quote = rest[1];
            rest.remove_prefix(2);
            const auto end = rest.find(quote);
            if (end != std::string_view::npos && end <= 64)
                return Trimmed(rest.substr(0, end));
        } else if (at > 0 && packet[at - 1] == '<' && rest.starts_with(">")) {
            rest.remove_prefix(1);
            const auto end = rest.find('<');
            if (end != std::string_view::npos && end <= 64)
                return Trimmed(rest.substr(0, end));
        }
    }
    return {};
}

} // namespace

std::string WallClockOfOffsetDate(std::string_view text) {
    const std::string date = Trimmed(text);
    // "YYYY-MM-DDTHH:MM..." : the zone follows the time, after the date's
    // own dashes.
    if (date.size() < 17 || (date[10] != 'T' && date[10] != ' '))
        return {};
    const auto sign = date.find_first_of("+-", 11);
    if (sign == std::string::npos || !IsZoneOffset(std::string_view(date).substr(sign)))
        return {};
    return XmpDateTime(date);
}

std::string LocalTimeOfMovieTime(std::uint64_t secondsSince1904) {
    // Beyond any calendar year of four digits: no date.
    if (secondsSince1904 == 0 || secondsSince1904 > (std::uint64_t{1} << 40))
        return {};
    const auto unix =
        static_cast<std::int64_t>(secondsSince1904) - static_cast<std::int64_t>(MovieEpochToUnix);
    const auto local = LocalTimeAt(unix);
    if (!local || local->year < 1 || local->year > 9999)
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", local->year, local->month,
                  local->day, local->hour, local->minute, local->second);
    return text;
}

std::string XmpCreateDate(std::string_view packet) {
    for (const std::string_view name : {"xmp:CreateDate", "exif:DateTimeOriginal"})
        if (std::string value = XmpValue(packet, name); !value.empty())
            return value;
    return {};
}

TVideoDate VideoDate(const TMovieMetadata& metadata) {
    if (std::string date = WallClockOfOffsetDate(metadata.appleCreationDate); !date.empty())
        return {std::move(date), TDateSource::AppleCreationDate};
    if (std::string date = WallClockOfOffsetDate(XmpCreateDate(metadata.xmp)); !date.empty())
        return {std::move(date), TDateSource::XmpDate};
    if (std::string date = WallClockOfOffsetDate(metadata.userDataDate); !date.empty())
        return {std::move(date), TDateSource::UserDataDate};
    if (metadata.creationTime)
        if (std::string date = LocalTimeOfMovieTime(*metadata.creationTime); !date.empty())
            return {std::move(date), TDateSource::MovieHeaderUtc};
    return {};
}

} // namespace kelvara
