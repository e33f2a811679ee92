// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Trimming text that comes from outside (photo metadata, os-release, the
// version block) of blanks at both ends. The formats disagree on what a
// blank is, so the caller names the set; most want WhiteSpace.

#include <string_view>

namespace kelvara {

inline constexpr std::string_view WhiteSpace = " \t\r\n";

// Every byte from 0 to 32: NUL, the control characters and the space.
inline constexpr std::string_view ControlsAndSpace{
    "\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F"
    "\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1A\x1B\x1C\x1D\x1E\x1F\x20",
    33};

// `text` without the characters of `blanks` at either end; a view into
// `text`, empty when it holds nothing else.
constexpr std::string_view Trimmed(std::string_view text, std::string_view blanks = WhiteSpace) {
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

} // namespace kelvara
