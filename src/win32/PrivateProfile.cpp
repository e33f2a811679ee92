// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/PrivateProfile.h"

#include "win32/WideText.h"

#include <windows.h>

namespace kelvara {

namespace {

// The service cannot tell an absent key from an empty one except by its
// default: this one no state file holds.
constexpr wchar_t AbsentMarker[] = L"\x01\x02kelvara-absent\x02\x01";

std::string DescribePath(const std::wstring& path) {
    try {
        return Utf8FromWide(path);
    } catch (...) {
        return "the state file";
    }
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

} // namespace

TProfileWriteError::TProfileWriteError(const std::wstring& path)
    : std::runtime_error("cannot write to " + DescribePath(path)), m_path(path) {}

std::optional<std::int32_t> ParseProfileInteger(std::wstring_view text) {
    std::wstring value(text);
    if (value.size() > 2 && value[0] == L'0' && (value[1] == L'x' || value[1] == L'X'))
        value.replace(0, 2, L"$");
    std::size_t pos = 0;
    while (pos < value.size() && value[pos] == L' ')
        ++pos;
    bool negative = false;
    if (pos < value.size() && (value[pos] == L'+' || value[pos] == L'-')) {
        negative = value[pos] == L'-';
        ++pos;
    }
    if (pos == value.size())
        return std::nullopt;
    if (value[pos] == L'$') {
        ++pos;
        const std::size_t digits = value.size() - pos;
        if (digits == 0 || digits > 8)
            return std::nullopt;
        std::uint32_t pattern = 0;
        for (; pos < value.size(); ++pos) {
            const int digit = HexDigit(value[pos]);
            if (digit < 0)
                return std::nullopt;
            pattern = pattern * 16 + static_cast<std::uint32_t>(digit);
        }
        if (negative)
            pattern = 0u - pattern;
        return static_cast<std::int32_t>(pattern);
    }
    std::int64_t number = 0;
    for (; pos < value.size(); ++pos) {
        if (value[pos] < L'0' || value[pos] > L'9')
            return std::nullopt;
        number = number * 10 + (value[pos] - L'0');
        if (number > std::int64_t{INT32_MAX} + 1)
            return std::nullopt;
    }
    if (negative)
        number = -number;
    if (number > INT32_MAX || number < INT32_MIN)
        return std::nullopt;
    return static_cast<std::int32_t>(number);
}

TPrivateProfile::~TPrivateProfile() {
    // Null section, key and value: the service writes its cached copy out.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, m_path.c_str());
}

std::wstring TPrivateProfile::ReadString(const std::wstring& section, const std::wstring& key,
                                         const std::wstring& fallback) const {
    wchar_t buffer[2048];
    const DWORD length = GetPrivateProfileStringW(section.c_str(), key.c_str(), AbsentMarker,
                                                  buffer, 2048, m_path.c_str());
    std::wstring value(buffer, length);
    return value == AbsentMarker ? fallback : value;
}

std::int32_t TPrivateProfile::ReadInteger(const std::wstring& section, const std::wstring& key,
                                          std::int32_t fallback) const {
    return ParseProfileInteger(ReadString(section, key, std::wstring())).value_or(fallback);
}

bool TPrivateProfile::ReadBool(const std::wstring& section, const std::wstring& key,
                               bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void TPrivateProfile::WriteString(const std::wstring& section, const std::wstring& key,
                                  const std::wstring& value) {
    if (!WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), m_path.c_str()))
        throw TProfileWriteError(m_path);
}

void TPrivateProfile::WriteInteger(const std::wstring& section, const std::wstring& key,
                                   std::int32_t value) {
    WriteString(section, key, std::to_wstring(value));
}

void TPrivateProfile::WriteBool(const std::wstring& section, const std::wstring& key, bool value) {
    WriteString(section, key, value ? L"1" : L"0");
}

} // namespace kelvara
