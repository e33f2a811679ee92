// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Opening the history's database file, as the user's alone: its folder is
// made owner-only (0700) where it is missing, the file is created owner-only
// (0600), and SQLite's side files take the file's mode. The database runs in
// WAL mode, and every commit reaches the disk before it returns (the record
// of a rename must be there before the rename is).
//
// A file that is no database, or one that fails its integrity check or
// lacks its tables, is never deleted: it is moved aside under its own name
// followed by ".damaged-" and the time (with its side files), and a new one
// is started. Anything else that keeps the file from being opened and
// written throws THistoryError.

#include "history/Sqlite.h"

#include <memory>
#include <string>

namespace kelvara {

struct TOpenedHistoryFile {
    std::unique_ptr<TSqlite> db;
    // Where a damaged file was moved; empty when none was.
    std::string movedAside;
};

TOpenedHistoryFile OpenHistoryFile(const std::string& file);

} // namespace kelvara
