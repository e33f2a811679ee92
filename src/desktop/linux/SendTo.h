// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Send To on the Linux desktops. They have no Send To menu; the file
// managers' context-menu actions play its part, and an entry in the user's
// applications folder lists the program in the menu and in "Open With Other
// Application". Which files are written, and where, is in
// desktop/ShellLink.h.

#include "desktop/ShellLink.h"

#include <string>

namespace kelvara {

// Writes every file of the Send To set, each whole and atomically, whether
// or not its file manager is installed (one that arrives later finds its
// action). Every file is tried; when any could not be written, throws
// TShortcutError with the first failure's code, naming each file that
// failed (the debug log says why each failed). The files written stay.
void SaveSendTo(const TShellLink& link, const std::string& linkName);

} // namespace kelvara
