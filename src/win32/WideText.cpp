// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/WideText.h"

#include <climits>
#include <stdexcept>
#include <windows.h>

namespace kelvara {

namespace {

int Length(std::size_t size) {
    if (size > static_cast<std::size_t>(INT_MAX))
        throw std::range_error("text too long to convert");
    return static_cast<int>(size);
}

} // namespace

std::wstring WideFromUtf8(std::string_view text) {
    if (text.empty())
        return {};
    const int length = Length(text.size());
    const int units =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (units <= 0)
        throw std::range_error("text is not valid UTF-8");
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(), units);
    return wide;
}

std::string Utf8FromWide(std::wstring_view text) {
    if (text.empty())
        return {};
    const int length = Length(text.size());
    const int bytes = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), length,
                                          nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        throw std::range_error("text is not valid UTF-16");
    std::string narrow(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), length, narrow.data(), bytes,
                        nullptr, nullptr);
    return narrow;
}

} // namespace kelvara
