// SPDX-License-Identifier: GPL-3.0-or-later
// Owner-only folders on Windows: each new folder gets a protected list of
// access rights that grants everything to its owner and nothing to anyone
// else, and inherits nothing from the folder above.
#include <windows.h>
// After windows.h, which it needs.
#include "base/OwnerOnlyFolder.h"
#include "base/PathName.h"
#include "base/SystemError.h"

#include <cerrno>
#include <memory>
#include <sddl.h>
#include <system_error>

namespace kelvara {

namespace {

std::wstring Wide(const std::string& text) {
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                           static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0 && !text.empty())
        ThrowSystemError(EINVAL, "create " + text);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                        wide.data(), length);
    return wide;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

struct TLocalFree {
    void operator()(void* memory) const noexcept { LocalFree(memory); }
};

// Full control for the owner, for this folder and everything made in it.
std::unique_ptr<void, TLocalFree> OwnerOnlyDescriptor() {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
            L"D:P(A;OICI;FA;;;OW)", SDDL_REVISION_1, &descriptor, nullptr))
        ThrowSystemError(ENOMEM, "make an owner-only access list");
    return std::unique_ptr<void, TLocalFree>(descriptor);
}

int ErrnoOf(DWORD error) {
    switch (error) {
    case ERROR_ACCESS_DENIED:
        return EACCES;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
        return ENOENT;
    case ERROR_DISK_FULL:
        return ENOSPC;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    default:
        return EIO;
    }
}

} // namespace

void MakeOwnerOnlyFolder(const std::string& folder) {
    const std::string path = WithoutTrailingDelimiter(folder);
    if (path.empty() || IsFolder(Wide(path)))
        return;
    const auto slash = path.find_last_of("/\\");
    // Not above a drive's root ("C:").
    if (slash != std::string::npos && slash > 0 && path[slash - 1] != ':')
        MakeOwnerOnlyFolder(path.substr(0, slash));
    const auto descriptor = OwnerOnlyDescriptor();
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
    if (CreateDirectoryW(Wide(path).c_str(), &attributes))
        return;
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS) {
        if (IsFolder(Wide(path)))
            return;                                  // made meanwhile by someone else
        ThrowSystemError(ENOTDIR, "create " + path); // a file in the way
    }
    ThrowSystemError(ErrnoOf(error), "create " + path);
}

} // namespace kelvara
