// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one error of a shortcut that cannot be made, whichever layer found it:
// a missing or unwritable folder, a full disk, a text a desktop entry cannot
// carry, or for Send To each file manager's action that failed.

#include <QString>
#include <string>
#include <system_error>
#include <vector>

namespace kelvara {

class TShortcutError : public std::system_error {
public:
    // `code` is the system's error (of the first file that failed); `files`
    // every shortcut file that could not be written.
    TShortcutError(std::error_code code, std::vector<std::string> files);
    const std::vector<std::string>& Files() const { return m_files; }
    // The files, comma-separated.
    std::string LinkFiles() const;
    // What the user is told, in the user's language: which shortcut could not
    // be made, and the system's own description of why.
    QString Message() const;

private:
    std::vector<std::string> m_files;
};

} // namespace kelvara
