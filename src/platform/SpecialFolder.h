#pragma once
// Where the user's special folders lie on this desktop. On Linux they are the
// XDG folders that play the same parts:
//
//   Startup  the autostart folder, $XDG_CONFIG_HOME/autostart
//            (default ~/.config/autostart): entries there run at log-on;
//   SendTo   the applications folder, $XDG_DATA_HOME/applications
//            (default ~/.local/share/applications): an entry there that
//            names MIME types puts the program into the file managers'
//            "Open With" for those files;
//   Desktop  XDG_DESKTOP_DIR of the user-dirs file
//            $XDG_CONFIG_HOME/user-dirs.dirs (default ~/Desktop).
//
// A base folder variable that is unset, empty or relative is ignored, as the
// XDG Base Directory Specification asks. Paths are the file system's bytes.

#include <string>

namespace kelvara {

enum class TSpecialFolder { Startup, SendTo, Desktop };

// The folder's path, without a trailing delimiter ("/" stays "/"). Only
// resolves: the folder need not exist. Empty when the home folder is
// unknown.
std::string SpecialFolderPath(TSpecialFolder folder);

} // namespace kelvara
