// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/FolderCollation.h"

#include "base/Utf8.h"

#include <cstdint>
#include <stdexcept>

namespace kelvara {

namespace {

std::locale LocaleOr(const char* name, const std::locale& otherwise) {
    try {
        return std::locale(name);
    } catch (const std::runtime_error&) {
        // Not installed, or a name the library does not know.
        return otherwise;
    }
}

// The code point of the valid sequence of `length` bytes `text` begins with.
char32_t CodePoint(std::string_view text, std::size_t length) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    if (length == 1)
        return byte(0);
    char32_t code = byte(0) & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i)
        code = (code << 6) | (byte(i) & 0x3F);
    return code;
}

void AppendWide(std::wstring& wide, char32_t code) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (code >= 0x10000) {
            code -= 0x10000;
            wide += static_cast<wchar_t>(0xD800 + (code >> 10));
            wide += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
            return;
        }
    }
    wide += static_cast<wchar_t>(code);
}

} // namespace

TFolderCollation::TFolderCollation()
    : m_collate(LocaleOr("", std::locale::classic())),
      m_ctype(LocaleOr("C.UTF-8", LocaleOr("", std::locale::classic()))) {}

std::wstring TFolderCollation::SortKey(std::string_view path) const {
    const auto& ctype = std::use_facet<std::ctype<wchar_t>>(m_ctype);
    std::wstring folded;
    folded.reserve(path.size());
    while (!path.empty()) {
        const std::size_t length = Utf8SequenceLength(path);
        const char32_t code = length == 0 ? U'\uFFFD' : CodePoint(path, length);
        path.remove_prefix(length == 0 ? 1 : length);
        AppendWide(folded, code);
        // Characters beyond 16 bits have no case mapping where wchar_t is
        // 16 bits wide; the surrogates stand as they are.
        if (folded.back() < 0xD800 || folded.back() > 0xDFFF)
            folded.back() = ctype.tolower(folded.back());
    }
    const auto& collate = std::use_facet<std::collate<wchar_t>>(m_collate);
    return collate.transform(folded.data(), folded.data() + folded.size());
}

} // namespace kelvara
