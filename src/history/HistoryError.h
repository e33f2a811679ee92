// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The history's one error: it cannot be opened or written (a folder the
// user cannot write, a full disk, a file another program holds locked, a
// file that is no database). The program then renames without a history,
// and says that the run cannot be undone and why: Reason() is that why,
// fit to be shown to the user.

#include <stdexcept>
#include <string>

namespace kelvara {

class THistoryError : public std::runtime_error {
public:
    enum class TKind {
        Unwritable, // no right to create or write the file or its folder
        Full,       // no room left on its disk
        Locked,     // another program holds it
        Damaged,    // not a database, or one that fails its checks
        Other,
    };

    THistoryError(TKind kind, const std::string& file, const std::string& detail);

    TKind Kind() const { return m_kind; }
    const std::string& File() const { return m_file; }
    // A sentence for the user: what is wrong with the history file (in
    // English; a window in another language words Kind() itself).
    std::string Reason() const;

private:
    TKind m_kind;
    std::string m_file;
};

} // namespace kelvara
