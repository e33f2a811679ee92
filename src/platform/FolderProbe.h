// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Looks up single names in one folder without listing it. A folder of a
// camera card can hold thousands of photos; a lookup by name costs one
// system call whatever the folder holds, where a listing grows with it.
// (A listing is offered too, for the one question a lookup cannot answer.)
//
// The folder is opened once (without being read) and every name is looked up
// relative to it, so the folder's own path is resolved only once. A name is
// looked at as the entry itself: a symbolic link is a link, not what it
// points to.

#include "base/UniqueFd.h"

#include <string>
#include <vector>

namespace kelvara {

enum class TEntryKind {
    None,        // nothing of that name, or a name no folder can hold
    RegularFile, // a regular file
    Other,       // a folder, a link, a pipe, a device, a socket
};

class TFolderProbe {
public:
    // Opens `folder` for lookups; "" stands for the current folder. Throws
    // std::system_error when it cannot be opened as a folder.
    explicit TFolderProbe(const std::string& folder);

    // What the entry `name` (one name, no "/") is. Throws std::system_error
    // when the system cannot tell (no right to search the folder, an I/O
    // error): the caller cannot know then whether the name is free.
    TEntryKind Look(const std::string& name) const;

    // Those of `names` that the folder holds spelt exactly so, in the order
    // given. On a file system that ignores letter case (FAT, exFAT) Look
    // answers for "IMG.xmp" and "IMG.XMP" alike, whichever is there; only
    // the folder's listing tells the spelling, so this reads the whole
    // folder, once: its cost grows with what the folder holds. Throws
    // std::system_error when the folder cannot be read.
    std::vector<std::string> HeldSpellings(const std::vector<std::string>& names) const;

private:
    TUniqueFd m_folder;
};

} // namespace kelvara
