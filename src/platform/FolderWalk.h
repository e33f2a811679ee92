// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The folder walk the search is made of: every file below a folder, depth
// first, each folder's entries in the order the system lists them, and what
// one path names. Paths are UTF-8 with "/" between names (Windows takes "/"
// as a delimiter too), so the search above is the same on every system.
//
// Links to folders (on Windows, reparse points such as junctions) are never
// followed inside a walk, since a link loop would recurse for ever; a link to
// a file is reported like the file. The folder handed to WalkFolder is read
// even when it is reached through a link: the user named it.
//
// Any depth is walked whole. On Linux a walk holds one folder open per level,
// but never more than a few dozen at once: deeper down, and wherever the
// process runs out of descriptors, a folder's remaining entries are read into
// memory and the folders below are opened by their path. The order stays the
// same.

#include <string>

namespace kelvara {

enum class TPathKind {
    None,   // nothing there, or nothing the search takes
    Folder, // a folder, links followed
    File,   // anything else that exists, links followed
};

// What `path` names, links followed (a path the user gave).
TPathKind PathKindOf(const std::string& path);

class IFolderWalkVisitor {
public:
    virtual ~IFolderWalkVisitor() = default;
    // Asked before each entry: true ends the walk at once.
    virtual bool Aborted() = 0;
    // A file found, its full path.
    virtual void FileFound(const std::string& path) = 0;
    // A folder that could not be opened or read, with the system's reason;
    // the walk passes it by and goes on.
    virtual void FolderFailed(const std::string& folder, const std::string& reason) = 0;
};

// Walks the folder `folder` (ending in "/") and everything below it.
void WalkFolder(const std::string& folder, IFolderWalkVisitor& visitor);

} // namespace kelvara
