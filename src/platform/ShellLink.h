#pragma once
// Saving a shortcut to a program: on Linux a desktop entry, LinkName +
// ".desktop". What the entry claims depends on the folder it goes to:
//
//   the applications folder (the SendTo stand-in): the entry also takes the
//     selected files (%F after the arguments) and names the photo types and
//     folders, so that file managers offer it in "Open With" and hand it the
//     chosen paths;
//   the desktop folder: the entry is made executable (0755), which desktops
//     ask of an entry before they run it from there;
//   any other folder (autostart among them): the plain entry, 0644.

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
// std::system_error with the system's code (a missing folder, access denied,
// a full disk) or EILSEQ for a text an entry cannot carry.
void SaveShellLink(const TShellLink& link, const std::string& folder, const std::string& linkName);

} // namespace kelvara
