#include "instance/RuntimeFolder.h"

#include "platform/SystemError.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvara {

namespace {

bool IsPrivateFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string FallbackFolder() {
    const std::string path = "/tmp/kelvara-" + std::to_string(::geteuid());
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        ThrowSystemError(errno, "cannot create " + path);
    // Judge the folder through a descriptor, so that what we check is what we
    // narrow: the name cannot be swapped for another in between.
    TUniqueFd folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.valid())
        ThrowSystemError(errno, "cannot open " + path);
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
