// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What tells one file from another that took its name: the file that is
// renamed must be the file that was read, and an undo moves back only the
// file that was renamed.
//
// An identity is the file's size and modification time, and its device and
// inode number where the file system keeps those stable. FAT and exFAT (a
// camera card), network shares and FUSE-backed file systems make inode
// numbers up when they mount, so a card taken out and put back gives every
// file a new one; on those only the size and the modification time are
// compared, and the time only to FAT's two seconds, the coarsest a card
// keeps (what the kernel held in memory may be finer than what it wrote).

#include <cstdint>
#include <optional>
#include <string>

namespace kelvara {

struct TFileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    // Nanoseconds since the epoch.
    std::int64_t modified = 0;
    // The file system keeps device and inode numbers across mounts.
    bool stableInode = true;

    // The same file, by the rules above: where either side was seen on a
    // file system without stable numbers, they are not compared.
    bool SameFileAs(const TFileIdentity& other) const;
};

// The identity of the file open at `fd`. Throws std::system_error.
TFileIdentity FileIdentityOf(int fd);

// The identity of what the name `path` holds now, not following a symbolic
// link: nullopt when there is nothing under the name, and also when it holds
// anything but a regular file (a link, a folder), which is never a file we
// read. Throws std::system_error when the name cannot be looked at.
std::optional<TFileIdentity> FileIdentityAt(const std::string& path);

} // namespace kelvara
