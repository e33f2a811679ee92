// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileIdentity.h"

#include "base/SystemError.h"
#include "base/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>

namespace kelvara {

namespace {

// statfs f_type values of the file systems that make inode numbers up at
// mount (linux/magic.h names most of them; exFAT's is not in every copy).
constexpr unsigned long MsdosMagic = 0x4d44;
constexpr unsigned long ExfatMagic = 0x2011BAB0;
constexpr unsigned long FuseMagic = 0x65735546;
constexpr unsigned long SmbMagic = 0x517B;
constexpr unsigned long CifsMagic = 0xFF534D42;
constexpr unsigned long Smb2Magic = 0xFE534D42;

bool KeepsInodes(unsigned long type) {
    switch (type) {
    case MsdosMagic:
    case ExfatMagic:
    case FuseMagic:
    case SmbMagic:
    case CifsMagic:
    case Smb2Magic:
        return false;
    default:
        return true;
    }
}

TFileIdentity FromStat(const struct stat& info, bool stableInode) {
    TFileIdentity identity;
    identity.device = static_cast<std::uint64_t>(info.st_dev);
    identity.inode = static_cast<std::uint64_t>(info.st_ino);
    identity.size = static_cast<std::int64_t>(info.st_size);
    identity.modified = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 +
                        static_cast<std::int64_t>(info.st_mtim.tv_nsec);
    identity.stableInode = stableInode;
    return identity;
}

} // namespace

TFileIdentity FileIdentityOf(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        ThrowSystemError(errno, "cannot look at an open file");
    struct statfs system {};
    if (::fstatfs(fd, &system) != 0)
        ThrowSystemError(errno, "cannot look at an open file's file system");
    return FromStat(info, KeepsInodes(static_cast<unsigned long>(system.f_type)));
}

std::optional<TFileIdentity> FileIdentityAt(const std::string& path) {
    // O_PATH | O_NOFOLLOW opens the name itself, whatever it holds, without
    // reading it or following a link; the look at it and at its file system
    // are then about one and the same entry.
    TUniqueFd entry(::open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (!entry.valid()) {
        if (errno == ENOENT || errno == ENOTDIR)
            return std::nullopt;
        ThrowSystemError(errno, "cannot look at " + path);
    }
    struct stat info {};
    if (::fstat(entry.get(), &info) != 0)
        ThrowSystemError(errno, "cannot look at " + path);
    if (!S_ISREG(info.st_mode))
        return std::nullopt;
    struct statfs system {};
    if (::fstatfs(entry.get(), &system) != 0)
        ThrowSystemError(errno, "cannot look at the file system of " + path);
    return FromStat(info, KeepsInodes(static_cast<unsigned long>(system.f_type)));
}

} // namespace kelvara
