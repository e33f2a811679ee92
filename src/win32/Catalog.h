// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window texts are written in Japanese; a Windows whose user interface
// language is not Japanese shows them in English, from the same catalog as
// the Linux edition (translations/kelvara_en.ts, turned into a table when
// the program is built).

#include <string>
#include <string_view>

namespace kelvara {

// True when the user's interface language is Japanese.
bool UsesJapanese();

// `japanese` as the user reads it: itself on a Japanese Windows, else its
// English translation (the text itself where the catalog has none).
std::wstring Tr(std::wstring_view japanese);

// The same, with the language given.
std::wstring Translate(std::wstring_view japanese, bool toJapanese);

// `text` with "%1" replaced by `argument`.
std::wstring WithArgument(std::wstring text, std::wstring_view argument);

} // namespace kelvara
