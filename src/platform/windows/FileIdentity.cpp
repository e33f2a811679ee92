// SPDX-License-Identifier: GPL-3.0-or-later
// A file's identity on Windows: the volume's serial number and the file's
// index on it stand for device and inode (NTFS keeps them; FAT, exFAT and
// network shares may not, and there only size and time are compared).
#include "platform/FileIdentity.h"

#include "platform/windows/WidePath.h"

#include <cwchar>
#include <io.h>
#include <system_error>
#include <windows.h>

namespace kelvara {

namespace {

[[noreturn]] void ThrowLastError(const std::string& what) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

// Whether the volume of `file` keeps file indexes across mounts.
bool KeepsFileIndexes(HANDLE file) {
    wchar_t system[MAX_PATH + 1] = {};
    if (!GetVolumeInformationByHandleW(file, nullptr, 0, nullptr, nullptr, nullptr, system,
                                       MAX_PATH + 1))
        return false;
    return std::wcscmp(system, L"NTFS") == 0 || std::wcscmp(system, L"ReFS") == 0;
}

TFileIdentity IdentityOf(HANDLE file, const std::string& what) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info))
        ThrowLastError("cannot look at " + what);
    TFileIdentity identity;
    identity.device = info.dwVolumeSerialNumber;
    identity.inode = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    identity.size =
        static_cast<std::int64_t>((std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow);
    // 100 ns steps since 1601, as nanoseconds since 1970.
    const std::uint64_t ticks = (std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                info.ftLastWriteTime.dwLowDateTime;
    identity.modified = (static_cast<std::int64_t>(ticks) - 116444736000000000) * 100;
    identity.stableInode = KeepsFileIndexes(file);
    return identity;
}

} // namespace

TFileIdentity FileIdentityOf(int fd) {
    const auto file = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (file == INVALID_HANDLE_VALUE)
        throw std::system_error(EBADF, std::generic_category(), "not an open file");
    return IdentityOf(file, "an open file");
}

std::optional<TFileIdentity> FileIdentityAt(const std::string& path) {
    // No access asked for: the name is looked at, not read, and a reparse
    // point (a link) is looked at itself, not followed.
    const HANDLE file = CreateFileW(
        WidePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return std::nullopt;
        ThrowLastError("cannot look at " + path);
    }
    struct TClose {
        HANDLE handle;
        ~TClose() { CloseHandle(handle); }
    } close{file};
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info))
        ThrowLastError("cannot look at " + path);
    if ((info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
        return std::nullopt;
    return IdentityOf(file, path);
}

} // namespace kelvara
