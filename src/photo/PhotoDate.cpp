// SPDX-License-Identifier: GPL-3.0-or-later
#include "photo/PhotoDate.h"

#include "base/Trim.h"

namespace kelvara {

namespace {

struct TDateTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads `count` digits from the front of `text` into `value`.
bool TakeNumber(std::string_view& text, size_t count, int& value) {
    if (text.size() < count)
        return false;
    value = 0;
    for (size_t i = 0; i < count; ++i) {
        if (!IsDigit(text[i]))
            return false;
        value = value * 10 + (text[i] - '0');
    }
    text.remove_prefix(count);
    return true;
}

bool TakeChar(std::string_view& text, char c) {
    if (text.empty() || text.front() != c)
        return false;
    text.remove_prefix(1);
    return true;
}

std::string Format(const TDateTime& t) {
    const bool real = t.year > 0 && t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 &&
                      t.hour <= 23 && t.minute <= 59 && t.second <= 59;
    if (!real)
        return {};
    std::string text;
    text.reserve(19);
    const auto append = [&text](int value, int digits, char after) {
        for (int unit = digits == 4 ? 1000 : 10; unit > 0; unit /= 10)
            text += static_cast<char>('0' + value / unit % 10);
        if (after != '\0')
            text += after;
    };
    append(t.year, 4, ':');
    append(t.month, 2, ':');
    append(t.day, 2, ' ');
    append(t.hour, 2, ':');
    append(t.minute, 2, ':');
    append(t.second, 2, '\0');
    return text;
}

// "YYYY-MM-DD", "YYYY:MM:DD" or "YYYYMMDD": one separator, used twice.
bool TakeDate(std::string_view& text, TDateTime& t) {
    if (!TakeNumber(text, 4, t.year))
        return false;
    const char separator = text.empty() ? '\0' : text.front();
    const bool separated = separator == '-' || separator == ':';
    if (separated)
        text.remove_prefix(1);
    if (!TakeNumber(text, 2, t.month) || (separated && !TakeChar(text, separator)))
        return false;
    return TakeNumber(text, 2, t.day);
}

// A time-zone designator, which we drop: "Z", "+02:00", "-0700", "+02" (and
// "+1:00", which some writers produce).
bool TakeZone(std::string_view& text) {
    if (TakeChar(text, 'Z'))
        return true;
    if (!TakeChar(text, '+') && !TakeChar(text, '-'))
        return false;
    if (text.empty())
        return false;
    for (const char c : text) {
        if (!IsDigit(c) && c != ':')
            return false;
    }
    text = {};
    return true;
}

// "HH:MM", "HH:MM:SS" or "HH:MM:SS.fff" (or the same without colons), then
// an optional time zone, then nothing.
bool TakeTimeToEnd(std::string_view& text, TDateTime& t) {
    if (!TakeNumber(text, 2, t.hour))
        return false;
    const bool separated = TakeChar(text, ':');
    if (!TakeNumber(text, 2, t.minute))
        return false;
    const bool hasSeconds =
        separated ? TakeChar(text, ':') : !text.empty() && IsDigit(text.front());
    if (hasSeconds && !TakeNumber(text, 2, t.second))
        return false;
    if (TakeChar(text, '.')) {
        if (text.empty() || !IsDigit(text.front()))
            return false;
        while (!text.empty() && IsDigit(text.front()))
            text.remove_prefix(1);
    }
    if (!text.empty() && !TakeZone(text))
        return false;
    return text.empty();
}

} // namespace

std::string ExifDateTime(std::string_view value) {
    if (const auto nul = value.find('\0'); nul != std::string_view::npos)
        value = value.substr(0, nul);
    std::string_view text = Trimmed(value);
    TDateTime t;
    if (!TakeNumber(text, 4, t.year) || !TakeChar(text, ':') || !TakeNumber(text, 2, t.month) ||
        !TakeChar(text, ':') || !TakeNumber(text, 2, t.day) || !TakeChar(text, ' ') ||
        !TakeNumber(text, 2, t.hour) || !TakeChar(text, ':') || !TakeNumber(text, 2, t.minute) ||
        !TakeChar(text, ':') || !TakeNumber(text, 2, t.second) || !text.empty())
        return {};
    return Format(t);
}

std::string XmpDateTime(std::string_view value) {
    std::string_view text = Trimmed(value);
    TDateTime t;
    if (!TakeDate(text, t))
        return {};
    if (!text.empty()) {
        if (!TakeChar(text, 'T') && !TakeChar(text, ' '))
            return {};
        if (!TakeTimeToEnd(text, t))
            return {};
    }
    return Format(t);
}

std::string IptcDateTime(std::string_view date, std::string_view time) {
    std::string_view dateText = Trimmed(date);
    TDateTime t;
    if (!TakeDate(dateText, t) || !dateText.empty())
        return {};
    std::string_view timeText = Trimmed(time);
    if (!timeText.empty() && !TakeTimeToEnd(timeText, t))
        return {};
    return Format(t);
}

} // namespace kelvara
