// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The user's Startup, SendTo and Desktop folders, asked for by the numbers
// the shell has always used for them. Where each lies on this desktop is
// said in desktop/SpecialFolder.h.

#include "platform/windows/ShellFolderNumbers.h"

#include <string>

namespace kelvara {

// The folder's full path without a trailing delimiter. A standard folder
// that does not exist yet (a fresh account has no autostart folder) is
// created, owner-only, the way freedesktop's base-directory rules ask of a
// program about to write there, so that a shortcut can always be made and
// "(Open)" always finds a folder. An unknown number, an unknown home folder
// or a folder that cannot be created gives the empty text.
std::string GetSpecialFolder(int csidl);

std::string GetStartupFolder(); // GetSpecialFolder(CSIDL_STARTUP)
std::string GetSendToFolder();  // GetSpecialFolder(CSIDL_SENDTO)
std::string GetDesktopFolder(); // GetSpecialFolder(CSIDL_DESKTOP)

} // namespace kelvara
