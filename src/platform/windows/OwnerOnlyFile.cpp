// SPDX-License-Identifier: GPL-3.0-or-later
// An owner-only file on Windows: created new with a protected access list
// that grants its owner everything and nobody else anything.
#include <windows.h>
// After windows.h, which it needs.
#include "base/SystemError.h"
#include "platform/OwnerOnlyFile.h"
#include "platform/windows/WidePath.h"

#include <cerrno>
#include <memory>
#include <sddl.h>

namespace kelvara {

namespace {

struct TLocalFree {
    void operator()(void* memory) const noexcept { LocalFree(memory); }
};

} // namespace

void CreateOwnerOnlyFile(const std::string& path) {
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FA;;;OW)", SDDL_REVISION_1,
                                                              &raw, nullptr))
        ThrowSystemError(ENOMEM, "create " + path);
    const std::unique_ptr<void, TLocalFree> descriptor(raw);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
    const HANDLE file = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, &attributes,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return;
    }
    switch (GetLastError()) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        ThrowSystemError(ENOSPC, "create " + path);
    case ERROR_PATH_NOT_FOUND:
        ThrowSystemError(ENOENT, "create " + path);
    default:
        ThrowSystemError(EACCES, "create " + path);
    }
}

} // namespace kelvara
