// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/HistoryFile.h"

#include "base/OwnerOnlyFolder.h"
#include "history/Schema.h"
#include "platform/LocalTime.h"
#include "platform/MoveFile.h"
#include "platform/OwnerOnlyFile.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>
#include <sqlite3.h>
#include <system_error>

namespace kelvara {

namespace {

std::string FolderOf(const std::string& file) {
    const std::size_t slash = file.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : file.substr(0, slash);
}

// Makes `folder` and every missing folder above it, owner-only.
void MakeFolders(const std::string& folder, const std::string& file) {
    try {
        MakeOwnerOnlyFolder(folder);
    } catch (const std::system_error& error) {
        throw THistoryError(THistoryError::TKind::Unwritable, file,
                            "cannot make the folder " + folder + ": " + error.code().message());
    }
}

// Creates the file owner-only before SQLite opens it: SQLite would create it
// by the umask, and its side files take the mode of the file.
void CreateOwnerOnly(const std::string& file) {
    try {
        CreateOwnerOnlyFile(file);
    } catch (const std::system_error& error) {
        const int code = error.code().value();
        throw THistoryError(code == ENOSPC ? THistoryError::TKind::Full
                                           : THistoryError::TKind::Unwritable,
                            file, std::string("cannot create it: ") + std::strerror(code));
    }
}

std::unique_ptr<TSqlite> OpenAndCheck(const std::string& file) {
    CreateOwnerOnly(file);
    auto db = std::make_unique<TSqlite>(file, false);
    if (sqlite3_db_readonly(db->get(), "main") == 1)
        throw THistoryError(THistoryError::TKind::Unwritable, file, "the file is read-only");
    // Nothing is written before the file is known to be a history of ours
    // (or empty): a damaged file is moved aside as it was found. The first
    // read tells a file that is no database.
    {
        TStatement check(*db, "PRAGMA quick_check");
        if (!check.Step() || check.Bytes(0) != "ok")
            throw THistoryError(THistoryError::TKind::Damaged, file, "it fails its check");
    }
    const bool ours = CheckSchema(*db);
    db->Execute("PRAGMA journal_mode = WAL");
    db->Execute("PRAGMA synchronous = FULL");
    db->Execute("PRAGMA foreign_keys = ON");
    PrepareSchema(*db, !ours);
    return db;
}

std::string TimeText() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    const std::optional<TCivilTime> local = LocalTimeAt(static_cast<std::int64_t>(now));
    if (!local)
        return std::to_string(static_cast<std::int64_t>(now));
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", local->year, local->month,
                  local->day, local->hour, local->minute, local->second);
    return text;
}

// Moves the damaged file and its side files aside; never replaces anything.
std::string MoveAside(const std::string& file) {
    const std::string stem = file + ".damaged-" + TimeText();
    std::string aside = stem;
    for (int attempt = 2;; ++attempt) {
        try {
            MoveFileNoReplace(file, aside);
            break;
        } catch (const std::system_error& error) {
            if (error.code() != std::errc::file_exists || attempt > 100)
                throw THistoryError(THistoryError::TKind::Unwritable, file,
                                    std::string("cannot move the damaged file aside: ") +
                                        error.what());
            aside = stem + "-" + std::to_string(attempt);
        }
    }
    // The side files belong to the damaged file: they go with it, or would
    // be taken for the new file's.
    for (const char* side : {"-wal", "-shm"}) {
        try {
            MoveFileNoReplace(file + side, aside + side);
        } catch (const std::system_error&) {
            // None there, most often; otherwise it stays where it is, and the
            // new file cannot take it (its header does not match).
        }
    }
    return aside;
}

} // namespace

TOpenedHistoryFile OpenHistoryFile(const std::string& file) {
    MakeFolders(FolderOf(file), file);
    TOpenedHistoryFile opened;
    try {
        opened.db = OpenAndCheck(file);
    } catch (const THistoryError& error) {
        if (error.Kind() != THistoryError::TKind::Damaged)
            throw;
        opened.movedAside = MoveAside(file);
        opened.db = OpenAndCheck(file);
    }
    return opened;
}

} // namespace kelvara
