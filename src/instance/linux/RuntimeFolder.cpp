// SPDX-License-Identifier: GPL-3.0-or-later
#include "instance/RuntimeFolder.h"

#include "base/OwnerOnlyFolder.h"
#include "base/PathName.h"
#include "base/SystemError.h"
#include "base/UniqueFd.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace kelvara {

namespace {

bool IsPrivateFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// The temporary folder the user's programs share: $TMPDIR as the user set
// it, when it is an absolute path.
std::string TemporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    if (folder != nullptr && folder[0] == '/')
        return WithoutTrailingDelimiter(folder);
    return "/tmp";
}

std::string FallbackFolder() {
    const std::string path =
        PathInFolder(TemporaryFolder(), "kelvara-" + std::to_string(::geteuid()));
    try {
        MakeOwnerOnlyFolder(path);
    } catch (const std::system_error& error) {
        // A file in the way is told apart below, through the descriptor.
        if (error.code() != std::errc::not_a_directory)
            throw;
    }
    // Judge the folder through a descriptor, so that what we check is what we
    // narrow: the name cannot be swapped for another in between. A link is
    // not followed, wherever it leads.
    TUniqueFd folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.valid()) {
        // Only to say why: the name is refused either way.
        const int error = errno;
        struct stat found {};
        if (::lstat(path.c_str(), &found) == 0 && S_ISLNK(found.st_mode))
            ThrowSystemError(error, path + " is a link, not a folder of ours");
        if (error == ENOTDIR)
            ThrowSystemError(error, path + " is no folder");
        ThrowSystemError(error, "cannot open " + path);
    }
    struct stat info {};
    if (::fstat(folder.get(), &info) != 0)
        ThrowSystemError(errno, "cannot examine " + path);
    if (info.st_uid != ::geteuid())
        ThrowSystemError(EACCES, path + " belongs to another user");
    if ((info.st_mode & 077) != 0 && ::fchmod(folder.get(), 0700) != 0)
        ThrowSystemError(errno, "cannot make " + path + " private");
    return path;
}

} // namespace

std::string InstanceRuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/' && IsPrivateFolder(runtime))
        return runtime;
    return FallbackFolder();
}

} // namespace kelvara
