// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the user's special folders lie on this desktop. On Linux they are the
// XDG folders that play the same parts:
//
//   Startup       the autostart folder, $XDG_CONFIG_HOME/autostart
//                 (default ~/.config/autostart): entries there run at log-on;
//   SendTo        the folder of GNOME Files' scripts,
//                 $XDG_DATA_HOME/nautilus/scripts, where it exists, else the
//                 applications folder. Send To has no single folder here: the
//                 file managers' context-menu actions stand in for it (see
//                 desktop/ShellLink.h), and this is the one a user looks in;
//   Desktop       XDG_DESKTOP_DIR of the user-dirs file
//                 $XDG_CONFIG_HOME/user-dirs.dirs (default ~/Desktop);
//   Applications  the user's applications folder, $XDG_DATA_HOME/applications
//                 (default ~/.local/share/applications): menus list its entries;
//   ConfigHome    $XDG_CONFIG_HOME (default ~/.config), where programs keep
//                 their settings;
//   DataHome      $XDG_DATA_HOME (default ~/.local/share).
//
// A base folder variable that is unset, empty or relative is ignored, as
// freedesktop's base-directory rules ask. Paths are the file system's bytes.

#include <string>

namespace kelvara {

enum class TSpecialFolder { Startup, SendTo, Desktop, Applications, ConfigHome, DataHome };

// The folder's path, without a trailing delimiter ("/" stays "/"). Only
// resolves (SendTo looks whether the scripts folder exists): the folder need
// not exist. Empty when the home folder is unknown.
std::string SpecialFolderPath(TSpecialFolder folder);

} // namespace kelvara
