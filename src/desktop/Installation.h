// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What this build of the program was made for, fixed when it was configured:
// the name it is installed under on the desktop and the folder its
// executable goes to. The program counts as installed only where it lies in
// that folder; anywhere else (the build tree, an unpacked or copied program)
// it keeps to its own folder.

#include <string>

namespace kelvara {

// The application id: the installed menu entry is ApplicationId() +
// ".desktop", and the icon is installed under this name.
std::string ApplicationId();

// The name menus show ("Kelvara") and the one-line summary they give.
std::string ApplicationName();
std::string ApplicationSummary();

// The install prefix's bin folder, as an absolute path.
std::string InstalledBinFolder();

// True when the executable at `executablePath` lies directly in
// InstalledBinFolder() (the same folder by identity where both exist, so a
// symlinked /bin or prefix still counts).
bool IsInstalledExecutable(const std::string& executablePath);

} // namespace kelvara
