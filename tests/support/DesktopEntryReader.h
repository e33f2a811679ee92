// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A reader of desktop entries written from freedesktop's desktop entry format
// alone, independent of the writer under test: keys of the [Desktop Entry]
// group, string escapes undone, and Exec split into arguments by its
// quoting rules.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace kelvara::test {

// Key -> value of the [Desktop Entry] group, escapes (\s \n \t \r \\) undone.
std::map<std::string, std::string> readDesktopEntry(const std::filesystem::path& file);

// The same for any group of a key file of that syntax ("Desktop Action x" of
// a service menu, "Nemo Action" of a Nemo action).
std::map<std::string, std::string> readEntryGroup(const std::filesystem::path& file,
                                                  const std::string& group);

// An Exec value (escapes already undone) split into its arguments: blanks
// separate outside double quotes; inside them a backslash takes the next ",
// `, $ or \ literally; "%%" is a literal "%"; a field code such as %F stays
// as its own argument.
std::vector<std::string> splitExec(const std::string& exec);

// desktop-file-validate's verdict on `file`: empty when it accepts it, else
// what it said (or why it could not run).
std::string validateDesktopEntry(const std::filesystem::path& file);

} // namespace kelvara::test
