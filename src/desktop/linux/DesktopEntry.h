// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The text of a freedesktop desktop entry (format version 1.5)
// that starts one program: what a shortcut is on the Linux desktops.
//
// An entry written here never names MIME types: in a user's applications
// folder such an entry can become the default opener of those types where no
// default is set, and a renamer must never open anything.

#include <string>
#include <string_view>
#include <vector>

namespace kelvara {

struct TDesktopEntry {
    std::string name;
    std::string icon;
    // The program's path and its arguments as the program is to receive
    // them; quoting is the writer's business.
    std::vector<std::string> exec;
    // Appends %F: the files the entry is opened with, each as its own
    // argument after the others.
    bool execTakesFiles = false;
    std::string path;    // working folder; empty leaves the key out
    std::string comment; // the tooltip; empty leaves the key out
    // The X11 window class of the program's windows (its file name), by
    // which a desktop ties them to this entry; empty leaves the key out.
    std::string startupWmClass;
    // Menu categories (Graphics, Photography...); none leaves the key out.
    std::vector<std::string> categories;
};

// One Exec argument: in double quotes, with ", `, $ and backslash escaped by
// a backslash, when it holds a reserved character (blank, tab, newline, " '
// backslash > < ~ | & ; $ * ? # ( ) `); as it stands otherwise. "%" is written "%%"
// either way, so that it is never taken for a field code.
std::string QuoteExecArgument(std::string_view argument);

// A value of type string or localestring as the file holds it: backslash,
// newline, tab and carriage return escaped, and blanks at either end written
// \s so that readers do not trim them.
std::string EscapeEntryValue(std::string_view value);

// Throws std::system_error (EILSEQ) unless `text` is UTF-8 without control
// characters other than tab, newline and carriage return: what an entry's
// values can carry once escaped.
void RequireCarriable(std::string_view text);

// The whole file, group [Desktop Entry] with Type=Application and
// Terminal=false. Throws std::system_error (EILSEQ) when a text is not UTF-8
// or holds a control character that the format cannot carry, rather than
// write an entry that desktops would reject.
std::string DesktopEntryText(const TDesktopEntry& entry);

} // namespace kelvara
