// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// UTF-8 checks for names, which are the system's bytes and need not be text:
// what is valid, how long it is in UTF-16 (the unit another system counts
// names in), and a valid copy for showing or logging.

#include <cstddef>
#include <string>
#include <string_view>

namespace kelvara {

// The length of the valid UTF-8 sequence `text` begins with; 0 when it
// begins with none (a stray, overlong or surrogate byte sequence, or nothing).
std::size_t Utf8SequenceLength(std::string_view text) noexcept;

bool IsValidUtf8(std::string_view text) noexcept;

// UTF-16 units of `text` decoded, each invalid byte counted as one
// replacement character.
std::size_t Utf16Length(std::string_view text) noexcept;

// `text` with each invalid byte replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);

} // namespace kelvara
