// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// UTF-16 (the Windows API's text) and UTF-8 (the core's text: names, comma
// text, metadata) converted into each other. Both throw std::range_error on
// text that is not valid in its encoding: a name that cannot be carried over
// whole is never guessed at.

#include <string>
#include <string_view>

namespace kelvara {

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

} // namespace kelvara
