// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/FullPath.h"

#include <vector>
#include <windows.h>
#include <winnetwk.h>

namespace kelvara {

namespace {

bool StartsWithDriveLetter(const std::wstring& path) {
    return path.size() > 2 && path[1] == L':' &&
           ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

// The mapped share's name; the path itself on a local drive, where the
// network-name service fails.
std::wstring UniversalName(const std::wstring& path) {
    std::vector<char> buffer(1024);
    DWORD size = static_cast<DWORD>(buffer.size());
    DWORD result =
        WNetGetUniversalNameW(path.c_str(), UNIVERSAL_NAME_INFO_LEVEL, buffer.data(), &size);
    if (result == ERROR_MORE_DATA) {
        buffer.resize(size);
        result =
            WNetGetUniversalNameW(path.c_str(), UNIVERSAL_NAME_INFO_LEVEL, buffer.data(), &size);
    }
    if (result != NO_ERROR)
        return path;
    const auto* info = reinterpret_cast<const UNIVERSAL_NAME_INFOW*>(buffer.data());
    return info->lpUniversalName ? std::wstring(info->lpUniversalName) : path;
}

} // namespace

std::wstring FullPathName(std::wstring_view path) {
    const std::wstring given(path);
    if (given.empty())
        return {};
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0)
            return {};
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        // Too small: the length asked for includes the terminating NUL.
        full.resize(length);
    }
}

std::wstring QueueablePath(std::wstring_view path) {
    std::wstring full = FullPathName(path);
    if (StartsWithDriveLetter(full))
        full = UniversalName(full);
    return full;
}

} // namespace kelvara
