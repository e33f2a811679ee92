// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The state file through Windows' own private-profile (INI) service. The
// service creates the file on the first write, updates an existing key in
// place and appends new keys and sections, so a file written from scratch
// keeps the order of the writes. Closing (the destructor) has the service
// flush its cached copy to disk.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kelvara {

// A write the service refused (a read-only file or folder, say). what() is
// UTF-8 and names the file.
class TProfileWriteError : public std::runtime_error {
public:
    TProfileWriteError(const std::wstring& path);
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_path;
};

// An integer as the state file has always stored it: optional leading blanks,
// an optional sign, then decimal digits, or "$" (or "0x"/"0X" at the very
// start) and up to eight hexadecimal digits taken as a 32-bit pattern
// ("$FFFFFFFF" is -1). Nothing may follow. A decimal number beyond 32 bits,
// or any other text, gives nothing.
std::optional<std::int32_t> ParseProfileInteger(std::wstring_view text);

class TPrivateProfile {
public:
    explicit TPrivateProfile(std::wstring path) : m_path(std::move(path)) {}
    ~TPrivateProfile();
    TPrivateProfile(const TPrivateProfile&) = delete;
    TPrivateProfile& operator=(const TPrivateProfile&) = delete;

    // An absent key gives `fallback`; a key present with an empty value gives
    // the empty text. At most 2047 characters are read.
    std::wstring ReadString(const std::wstring& section, const std::wstring& key,
                            const std::wstring& fallback) const;
    std::int32_t ReadInteger(const std::wstring& section, const std::wstring& key,
                             std::int32_t fallback) const;
    // Read as an integer (default 1 or 0); true when not 0.
    bool ReadBool(const std::wstring& section, const std::wstring& key, bool fallback) const;

    // Each throws TProfileWriteError when the service refuses the write.
    void WriteString(const std::wstring& section, const std::wstring& key,
                     const std::wstring& value);
    void WriteInteger(const std::wstring& section, const std::wstring& key, std::int32_t value);
    void WriteBool(const std::wstring& section, const std::wstring& key, bool value);

private:
    std::wstring m_path;
};

} // namespace kelvara
