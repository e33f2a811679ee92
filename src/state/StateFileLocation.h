// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the window state file of a program run from a given executable
// lives. It has always lain beside the executable and borne its name, so a
// program kept in a folder of its own takes its settings along. An installed
// program shares its folder with every other program and the user cannot
// write there, so its file goes to the user's configuration folder instead:
//
//   1. <folder>/<name>.ini beside the executable, when that file exists and
//      is this user's to replace: owned by the user, who may write both it
//      and its folder (a portable copy stays portable, wherever it lies);
//   2. else $XDG_CONFIG_HOME/kelvara/<name>.ini, when the executable lies in
//      the bin folder it was built to be installed in, or in a folder the
//      user cannot write;
//   3. else beside the executable (the build tree, an unpacked copy).
//
// <name> is the executable's file name with its extension removed.
//
// A file beside the executable that is not the user's to replace (another
// user's, such as root's from a first run after installing into /opt, or
// one in a folder the user cannot write) is read as the starting state until
// the user has a file of their own; the state is saved in the configuration
// folder. Saving over it would fail at every close or, for root, take the
// file from its owner.

#include <QString>
#include <string>

namespace kelvara {

// Where the state is read from at start and saved to at the end. They
// differ only for a file beside the executable that is not the user's.
struct TStateFiles {
    QString load;
    QString save;
};

// The state files for `executablePath` (a full path).
TStateFiles StateFilesFor(const std::string& executablePath);

// The state file's full path for `executablePath`: where it is saved.
QString StateFileFor(const std::string& executablePath);

// The state file beside the executable: its path with the extension
// replaced by ".ini".
QString StateFileBeside(const std::string& executablePath);

// Creates the state file's folder (owner-only) when it is the one in the
// configuration folder and missing; the file itself is left to the INI
// layer. Throws TIniFileError, as a failed save does, when it cannot be made.
void PrepareStateFolder(const QString& iniFile);

} // namespace kelvara
