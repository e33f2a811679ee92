// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/HistoryFile.h"

#include "base/UniqueFd.h"
#include "history/Schema.h"
#include "platform/MoveFile.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

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
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0)
        return;
    if (folder != "/" && folder != ".")
        MakeFolders(FolderOf(folder), file);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw THistoryError(THistoryError::TKind::Unwritable, file,
                            "cannot make the folder " + folder + ": " + std::strerror(errno));
}

// Creates the file owner-only before SQLite opens it: SQLite would create it
// by the umask, and its side files take the mode of the file.
void CreateOwnerOnly(const std::string& file) {
    TUniqueFd created(::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!created.valid() && errno != EEXIST)
        throw THistoryError(errno == ENOSPC ? THistoryError::TKind::Full
                                            : THistoryError::TKind::Unwritable,
                            file, std::string("cannot create it: ") + std::strerror(errno));
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
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
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
