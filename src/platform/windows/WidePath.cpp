// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/windows/WidePath.h"

#include <system_error>
#include <windows.h>

namespace kelvara {

std::wstring WidePath(const std::string& path) {
    if (path.empty())
        return {};
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(),
                                           static_cast<int>(path.size()), nullptr, 0);
    if (length <= 0)
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                "not a UTF-8 path: " + path);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), static_cast<int>(path.size()),
                        wide.data(), length);
    return wide;
}

std::string Utf8Path(const wchar_t* path) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, path, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1)
        return {};
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, path, -1, utf8.data(), length, nullptr, nullptr);
    utf8.pop_back(); // the terminating NUL
    return utf8;
}

} // namespace kelvara
