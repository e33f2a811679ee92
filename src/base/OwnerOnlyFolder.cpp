// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/OwnerOnlyFolder.h"

#include "base/PathName.h"
#include "base/SystemError.h"

#include <cerrno>
#include <sys/stat.h>

namespace kelvara {

namespace {

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

void MakeOwnerOnlyFolder(const std::string& folder) {
    const std::string path = WithoutTrailingDelimiter(folder);
    if (path.empty() || IsFolder(path))
        return;
    const auto slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0)
        MakeOwnerOnlyFolder(path.substr(0, slash));
    if (::mkdir(path.c_str(), 0700) == 0) {
        // Owner-only whatever the umask takes away.
        (void)::chmod(path.c_str(), 0700);
        return;
    }
    int code = errno;
    if (code == EEXIST) {
        if (IsFolder(path))
            return;     // made meanwhile by someone else
        code = ENOTDIR; // a file in the way
    }
    ThrowSystemError(code, "create " + path);
}

} // namespace kelvara
