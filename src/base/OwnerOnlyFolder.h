// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Folders the program makes for its own files (the state folder, the
// runtime folder's fallback, the special folders a shortcut goes to, the file
// managers' action folders) are the user's alone, as freedesktop's
// base-directory rules ask of a program about to write there.

#include <string>

namespace kelvara {

// Creates `folder` and each missing folder above it, every new one mode 0700
// (owner only). Folders that exist already are left as they are, a folder
// made meanwhile by someone else included. Throws std::system_error with the
// system's code, ENOTDIR where a file stands in the way.
void MakeOwnerOnlyFolder(const std::string& folder);

} // namespace kelvara
