// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Comma text: the one text form of a list of paths that passes from a second
// copy of Kelvara to the running one. Both ends are this program, so the rules
// are fixed here and must not drift:
//
// Writing. An empty list is the empty text; a list of exactly one empty item
// is "" (two double quotes). Otherwise every item that holds a byte from 1 to
// 32 (space and control characters), a double quote or a comma is quoted: a
// double quote, the item with each double quote doubled, a closing double
// quote. Any other item, an empty one included, stands as it is. Items are
// joined by single commas, with nothing after the last.
//
// Reading. Bytes 1 to 32 between items are skipped. A quoted item runs to the
// next double quote that is not doubled, each doubled quote giving one. An
// unquoted item runs up to the first byte of 32 or less or a comma, and may be
// empty. After an item, bytes 1 to 32 are skipped; a comma is then passed
// over together with the bytes 1 to 32 after it, and a comma that ends the
// text adds one empty last item. So "a,,b" holds an empty middle item, "a,"
// an empty last one, and text that follows a closing quote directly starts a
// new item. The text ends at its end or at its first NUL.
//
// Items are bytes (UTF-8 paths, or whatever bytes the file system gave us).
// Only bytes up to 32, the double quote and the comma mean anything here;
// every byte of a multi-byte UTF-8 character is 0x80 or above, so no part of
// a character is ever taken for a separator. Whatever a written list holds,
// reading its text gives back the same items.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kelvara {

using TCommaItems = std::vector<std::string>;

// Text that no writer produces: an opening quote without its closing one.
// We refuse it whole rather than guess where the item was meant to end.
class TCommaTextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws std::invalid_argument for an item holding a NUL byte: the reader
// would end the text there, and no path can hold one.
std::string WriteCommaText(const TCommaItems& items);

// Throws TCommaTextError for a quote that is never closed.
TCommaItems ReadCommaText(std::string_view text);

} // namespace kelvara
