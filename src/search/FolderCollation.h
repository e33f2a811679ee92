// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The order in which queued folders are searched: the user's locale's order
// of their names, case ignored. Sort keys are made once, when a folder is
// queued, so that keeping the queue in order compares plain strings.

#include <locale>
#include <string>
#include <string_view>

namespace kelvara {

class TFolderCollation {
public:
    // The collation of the user's locale (LC_ALL, LC_COLLATE, LANG); where
    // that locale cannot be had, and in the C locale, code points in order.
    TFolderCollation();

    // The key of the UTF-8 text `path` (an invalid byte counts as U+FFFD):
    // two paths are in order exactly when their keys are. Paths that differ
    // only in case get the same key.
    std::wstring SortKey(std::string_view path) const;

private:
    std::locale m_collate;
    std::locale m_ctype; // Unicode case mapping, also under the C locale
};

} // namespace kelvara
