// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Saving a shortcut to a program: on Linux a desktop entry, LinkName +
// ".desktop". What is written depends on the folder it goes to:
//
//   the Send To folder (either folder SpecialFolderPath(SendTo) may give):
//     Linux desktops have no Send To menu, so the file managers' context-menu
//     actions stand in for it, each running the program with the arguments
//     and then the selected files and folders:
//       GNOME Files  $XDG_DATA_HOME/nautilus/scripts/LinkName, a shell script;
//       Dolphin      $XDG_DATA_HOME/kio/servicemenus/LinkName.desktop, a
//                    service menu (executable, as KDE asks of a user's own);
//       Nemo         $XDG_DATA_HOME/nemo/actions/LinkName.nemo_action;
//       Caja         $XDG_CONFIG_HOME/caja/scripts/LinkName, the same script;
//     and an entry in the applications folder that takes files (%F), so that
//     the menu and "Open With Other Application" list the program. Run
//     installed, that entry is named ApplicationId() + ".desktop", the id of
//     the installed menu entry, for which it then stands in. (Thunar keeps
//     its actions in one file of the user's own, uca.xml, which it rewrites
//     from memory; nothing is added there.)
//   the desktop folder: the entry is made executable (0755), which desktops
//     ask of an entry before they run it from there;
//   any other folder (autostart among them): the plain entry, 0644.
//
// No application entry written here names a MIME type: where a type has no
// default opener set, such an entry in the user's applications folder would
// become the opener of photos and folders, and a double click would rename
// them. The file managers' actions name the types they apply to; they open
// nothing. Every entry's icon is the installed icon, ApplicationId().

#include "desktop/ShortcutError.h"

#include <string>

namespace kelvara {

// The three properties a shortcut is given, named as the shell link's own.
struct TShellLink {
    std::string Path;             // the program's full path
    std::string Arguments;        // passed as one argument; empty for none
    std::string WorkingDirectory; // empty for none
};

// The file name SaveShellLink writes: folder + "/" + linkName + extension,
// with a single delimiter even when `folder` ends in one.
std::string ShellLinkFileName(const std::string& folder, const std::string& linkName);

// Writes the shortcut whole or not at all: through a hidden temporary file in
// the same folder, renamed over the final name only once it is complete, so
// that a crash, a full disk or a missing folder leaves no half-written or
// stray file. An existing shortcut of that name is replaced. Throws
// TShortcutError with the system's code (a missing folder, access denied,
// a full disk) or EILSEQ for a text an entry cannot carry.
//
// For Send To every file is tried, each whole or not at all, and the folders
// of the file managers are created as needed; the files written stay when
// another fails, and the error then names each file that failed.
void SaveShellLink(const TShellLink& link, const std::string& folder, const std::string& linkName);

} // namespace kelvara
