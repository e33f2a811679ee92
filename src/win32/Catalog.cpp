// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/Catalog.h"

#include <iterator>
#include <windows.h>

namespace kelvara {

namespace {

struct TTranslation {
    const wchar_t* source;
    const wchar_t* english;
};

constexpr TTranslation Translations[] = {
#include "TranslationTable.inc"
};

} // namespace

bool UsesJapanese() {
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
}

std::wstring Translate(std::wstring_view japanese, bool toJapanese) {
    if (!toJapanese) {
        for (const TTranslation& entry : Translations)
            if (japanese == entry.source)
                return entry.english;
    }
    return std::wstring(japanese);
}

std::wstring Tr(std::wstring_view japanese) {
    return Translate(japanese, UsesJapanese());
}

std::wstring WithArgument(std::wstring text, std::wstring_view argument) {
    if (const auto at = text.find(L"%1"); at != std::wstring::npos)
        text.replace(at, 2, argument);
    return text;
}

} // namespace kelvara
