// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Renaming a file without ever replacing another. The rename is atomic where
// the file system allows: a target that appears at the last moment is still
// never overwritten.
//
// MoveFileNoReplace tries, in order, the atomic no-replace rename; where the
// file system refuses that flag (NFS, some FUSE mounts), a hard link to the
// new name followed by the removal of the old one; only where hard links are
// refused too, a test for the target just before a plain rename. Each way is
// also offered on its own, so that all three can be tested on any machine.
//
// All throw std::system_error and leave the file under its old name when the
// rename cannot be done (the target exists, access denied, and so on).

#include <string>

namespace kelvara {

void MoveFileNoReplace(const std::string& from, const std::string& to);

// The single ways. Each reports a refusal of its mechanism (not a failure of
// the rename) as std::system_error with the code the system gave.
void RenameNoReplace(const std::string& from, const std::string& to);
void LinkThenUnlink(const std::string& from, const std::string& to);
void TestThenRename(const std::string& from, const std::string& to);

} // namespace kelvara
