// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shortcuts to the program in the user's folders. A shortcut always starts
// its target with the one argument "/starup"; the program has no options, so
// the argument reaches the path intake like any other and names nothing.

#include "desktop/ShortcutError.h"

#include <QString>
#include <exception>
#include <string>

namespace kelvara {

inline constexpr char ShortcutArguments[] = "/starup";

// What the user is told of a shortcut that could not be made, whatever was
// thrown on the way: a TShortcutError's Message(); for anything else, that
// no shortcut could be made and what is known of why (the text of a
// std::exception).
QString ShortcutFailureMessage(const std::exception_ptr& failure);

// Writes a shortcut to `targetPath` into `folderPath` under the name `linkName`
// (the file `linkName` + the platform's extension, ".desktop" here, with a
// single delimiter even when `folderPath` ends in one). It starts `targetPath`
// with "/starup" in `targetPath`'s folder (without a trailing delimiter; a root
// stays "/"). How the folder shapes the shortcut is in desktop/ShellLink.h.
// Throws TShortcutError carrying the system's error when it cannot be
// written (no folder given, the folder missing or not writable, the disk
// full); nothing is then left behind.
void CreateShortcut(const std::string& targetPath, const std::string& folderPath,
                    const std::string& linkName);

// `targetPath`'s folder as a shortcut's working folder: without a trailing
// delimiter, a root as "/", empty for a name without a folder.
std::string ShortcutWorkingFolder(const std::string& targetPath);

} // namespace kelvara
