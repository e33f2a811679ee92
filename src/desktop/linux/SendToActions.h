// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The texts of the file managers' context-menu actions that stand in for a
// Send To shortcut: each runs the program with the shortcut's arguments and
// then the selected files and folders, each as an argument of its own.
//
// These are actions, not applications: they open nothing and no file
// manager takes them for a file type's opener, so they may name the types
// they apply to.

#include "desktop/ShellLink.h"

#include <array>
#include <string>
#include <string_view>

namespace kelvara {

// The types the actions are offered for: photos of every kind the program
// renames, and folders, which it searches for photos.
inline constexpr std::array<std::string_view, 30> PhotoMimeTypes = {"image/jpeg",
                                                                    "image/tiff",
                                                                    "image/png",
                                                                    "image/heic",
                                                                    "image/heif",
                                                                    "image/avif",
                                                                    "image/webp",
                                                                    "image/x-dcraw",
                                                                    "image/x-adobe-dng",
                                                                    "image/x-canon-cr2",
                                                                    "image/x-canon-cr3",
                                                                    "image/x-canon-crw",
                                                                    "image/x-nikon-nef",
                                                                    "image/x-nikon-nrw",
                                                                    "image/x-sony-arw",
                                                                    "image/x-sony-sr2",
                                                                    "image/x-sony-srf",
                                                                    "image/x-olympus-orf",
                                                                    "image/x-panasonic-rw2",
                                                                    "image/x-panasonic-raw",
                                                                    "image/x-pentax-pef",
                                                                    "image/x-fuji-raf",
                                                                    "image/x-samsung-srw",
                                                                    "image/x-minolta-mrw",
                                                                    "image/x-sigma-x3f",
                                                                    "image/x-kodak-dcr",
                                                                    "image/x-kodak-kdc",
                                                                    "image/x-leica-rwl",
                                                                    "image/x-epson-erf",
                                                                    "inode/directory"};

// `text` in single quotes for a POSIX shell (and for GLib's command-line
// parser, which reads the same quoting): every byte stands for itself, a
// single quote is written '\''.
std::string ShellQuote(std::string_view text);

// A shell script for GNOME Files and Caja, which run the scripts of their
// scripts folders with the selected items as arguments: names relative to
// the folder shown (their current folder) for local items. The script makes
// each relative name full against its current folder before it hands them
// over, since an already running copy of the program would resolve them
// against its own, then changes to the working folder and runs the program.
std::string FileManagerScriptText(const TShellLink& link);

// A Dolphin service menu (KDE's KonqPopupMenu plugin): one action, `label`
// with the icon `icon`, for the photo types and folders; Exec passes %F.
// Throws std::system_error (EILSEQ) for a text an entry cannot carry.
std::string ServiceMenuText(const TShellLink& link, const std::string& label,
                            const std::string& icon);

// A Nemo action for one or more selected photos or folders. Nemo substitutes
// %F as text and parses the result as a command line, so the program is
// quoted for the shell, and the paths are put in double quotes by Nemo.
// Throws std::system_error (EILSEQ) for a text an entry cannot carry.
std::string NemoActionText(const TShellLink& link, const std::string& label,
                           const std::string& icon);

} // namespace kelvara
