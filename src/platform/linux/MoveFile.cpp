// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MoveFile.h"

#include "base/SystemError.h"

#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace kelvara {

namespace {

// The file system does not offer the mechanism at all.
bool Unsupported(int code) {
    return code == EINVAL || code == ENOSYS || code == EOPNOTSUPP || code == ENOTSUP;
}

bool LinksRefused(int code) {
    return Unsupported(code) || code == EPERM || code == EMLINK;
}

} // namespace

void RenameNoReplace(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0)
        ThrowSystemError(errno, "rename " + from);
}

void LinkThenUnlink(const std::string& from, const std::string& to) {
    // link() fails with EEXIST rather than replace, and does not follow a
    // symbolic link, so a link is renamed as itself, as rename would.
    if (link(from.c_str(), to.c_str()) != 0)
        ThrowSystemError(errno, "link " + from);
    if (unlink(from.c_str()) != 0) {
        const int code = errno;
        // Never leave the photo under two names: take the new one away again.
        unlink(to.c_str());
        ThrowSystemError(code, "unlink " + from);
    }
}

void TestThenRename(const std::string& from, const std::string& to) {
    struct stat info {};
    if (lstat(to.c_str(), &info) == 0)
        ThrowSystemError(EEXIST, "rename " + from);
    if (rename(from.c_str(), to.c_str()) != 0)
        ThrowSystemError(errno, "rename " + from);
}

void MoveFileNoReplace(const std::string& from, const std::string& to) {
    try {
        RenameNoReplace(from, to);
        return;
    } catch (const std::system_error& error) {
        if (!Unsupported(error.code().value()))
            throw;
    }
    try {
        LinkThenUnlink(from, to);
        return;
    } catch (const std::system_error& error) {
        if (!LinksRefused(error.code().value()))
            throw;
    }
    TestThenRename(from, to);
}

} // namespace kelvara
