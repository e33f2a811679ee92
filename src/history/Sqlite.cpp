// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/Sqlite.h"

#include <sqlite3.h>

namespace kelvara {

namespace {

THistoryError::TKind KindOf(int code) {
    switch (code & 0xff) {
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return THistoryError::TKind::Unwritable;
    case SQLITE_FULL:
        return THistoryError::TKind::Full;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return THistoryError::TKind::Locked;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return THistoryError::TKind::Damaged;
    case SQLITE_IOERR:
        // A write that found the disk full comes back as an I/O error.
        return (code == SQLITE_IOERR_WRITE || code == SQLITE_IOERR_FSYNC)
                   ? THistoryError::TKind::Full
                   : THistoryError::TKind::Other;
    default:
        return THistoryError::TKind::Other;
    }
}

} // namespace

TSqlite::TSqlite(const std::string& file, bool create) : m_file(file) {
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) |
                      SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    const int code = sqlite3_open_v2(file.c_str(), &m_db, flags, nullptr);
    if (code != SQLITE_OK) {
        const std::string message = m_db != nullptr ? sqlite3_errmsg(m_db) : sqlite3_errstr(code);
        sqlite3_close(m_db);
        m_db = nullptr;
        throw THistoryError(KindOf(code), file, message);
    }
    // Another program's short write lock is waited for a moment rather than
    // taken for a failure.
    sqlite3_busy_timeout(m_db, 2000);
}

TSqlite::~TSqlite() {
    sqlite3_close_v2(m_db);
}

void TSqlite::Execute(const char* sql) {
    char* message = nullptr;
    const int code = sqlite3_exec(m_db, sql, nullptr, nullptr, &message);
    if (code != SQLITE_OK) {
        const std::string text = message != nullptr ? message : sqlite3_errstr(code);
        sqlite3_free(message);
        throw THistoryError(KindOf(sqlite3_extended_errcode(m_db)), m_file, text);
    }
}

void TSqlite::Fail(int code, const std::string& what) const {
    const int extended = m_db != nullptr ? sqlite3_extended_errcode(m_db) : code;
    throw THistoryError(KindOf(extended != SQLITE_OK ? extended : code), m_file,
                        what + ": " +
                            (m_db != nullptr ? sqlite3_errmsg(m_db) : sqlite3_errstr(code)));
}

std::int64_t TSqlite::LastInsertId() const {
    return sqlite3_last_insert_rowid(m_db);
}

TStatement::TStatement(TSqlite& db, const char* sql) : m_db(db) {
    const int code = sqlite3_prepare_v2(db.get(), sql, -1, &m_statement, nullptr);
    if (code != SQLITE_OK)
        db.Fail(code, "cannot prepare a statement");
}

TStatement::~TStatement() {
    sqlite3_finalize(m_statement);
}

TStatement& TStatement::Bind(int index, std::int64_t value) {
    const int code = sqlite3_bind_int64(m_statement, index, value);
    if (code != SQLITE_OK)
        m_db.Fail(code, "cannot bind a value");
    return *this;
}

TStatement& TStatement::Bind(int index, std::optional<std::int64_t> value) {
    if (value)
        return Bind(index, *value);
    const int code = sqlite3_bind_null(m_statement, index);
    if (code != SQLITE_OK)
        m_db.Fail(code, "cannot bind a value");
    return *this;
}

TStatement& TStatement::BindBytes(int index, std::string_view bytes) {
    // A zero-length BLOB, not NULL, for an empty name.
    const int code = sqlite3_bind_blob64(m_statement, index, bytes.empty() ? "" : bytes.data(),
                                         bytes.size(), SQLITE_TRANSIENT);
    if (code != SQLITE_OK)
        m_db.Fail(code, "cannot bind a value");
    return *this;
}

TStatement& TStatement::BindText(int index, std::string_view text) {
    const int code = sqlite3_bind_text64(m_statement, index, text.data(), text.size(),
                                         SQLITE_TRANSIENT, SQLITE_UTF8);
    if (code != SQLITE_OK)
        m_db.Fail(code, "cannot bind a value");
    return *this;
}

bool TStatement::Step() {
    const int code = sqlite3_step(m_statement);
    if (code == SQLITE_ROW)
        return true;
    if (code == SQLITE_DONE)
        return false;
    sqlite3_reset(m_statement);
    m_db.Fail(code, "a statement failed");
}

void TStatement::Run() {
    while (Step()) {
    }
    Reset();
}

void TStatement::Reset() {
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

std::int64_t TStatement::Int(int column) const {
    return sqlite3_column_int64(m_statement, column);
}

std::optional<std::int64_t> TStatement::MaybeInt(int column) const {
    if (sqlite3_column_type(m_statement, column) == SQLITE_NULL)
        return std::nullopt;
    return sqlite3_column_int64(m_statement, column);
}

std::string TStatement::Bytes(int column) const {
    const void* data = sqlite3_column_blob(m_statement, column);
    const int size = sqlite3_column_bytes(m_statement, column);
    return data != nullptr
               ? std::string(static_cast<const char*>(data), static_cast<std::size_t>(size))
               : std::string();
}

TTransaction::TTransaction(TSqlite& db) : m_db(db) {
    m_db.Execute("BEGIN IMMEDIATE");
}

TTransaction::~TTransaction() {
    if (m_open)
        sqlite3_exec(m_db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void TTransaction::Commit() {
    m_db.Execute("COMMIT");
    m_open = false;
}

} // namespace kelvara
