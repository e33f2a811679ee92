// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A thin owner of SQLite's C objects: a connection, a prepared statement and
// a transaction, each released on every way out. Every failure is thrown as
// a THistoryError of the kind the SQLite result code says.

#include "history/HistoryError.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace kelvara {

class TSqlite {
public:
    // Opens (creating it when `create`) the database at `file`.
    TSqlite(const std::string& file, bool create);
    ~TSqlite();
    TSqlite(const TSqlite&) = delete;
    TSqlite& operator=(const TSqlite&) = delete;

    sqlite3* get() const { return m_db; }
    const std::string& File() const { return m_file; }
    // Runs one or more statements that give no rows.
    void Execute(const char* sql);
    // Throws the error of the last call on the connection, with `what`.
    [[noreturn]] void Fail(int code, const std::string& what) const;
    std::int64_t LastInsertId() const;

private:
    sqlite3* m_db = nullptr;
    std::string m_file;
};

class TStatement {
public:
    TStatement(TSqlite& db, const char* sql);
    ~TStatement();
    TStatement(const TStatement&) = delete;
    TStatement& operator=(const TStatement&) = delete;

    // Binds by position, from 1.
    TStatement& Bind(int index, std::int64_t value);
    TStatement& Bind(int index, std::optional<std::int64_t> value);
    // The bytes of a name: stored as a BLOB, whatever they are.
    TStatement& BindBytes(int index, std::string_view bytes);
    // Text, for comparing with SQLite's own names.
    TStatement& BindText(int index, std::string_view text);
    // Steps once: true while there is a row to read.
    bool Step();
    // Steps through a statement that gives no rows, and makes it ready again.
    void Run();
    // Makes the statement ready to run again, its bindings cleared.
    void Reset();

    std::int64_t Int(int column) const;
    std::optional<std::int64_t> MaybeInt(int column) const;
    std::string Bytes(int column) const;

private:
    TSqlite& m_db;
    sqlite3_stmt* m_statement = nullptr;
};

// BEGIN IMMEDIATE on creation: the write lock is taken at once, so a
// history held by another program is told at the start, not half-way.
// Rolled back when left without Commit.
class TTransaction {
public:
    explicit TTransaction(TSqlite& db);
    ~TTransaction();
    TTransaction(const TTransaction&) = delete;
    TTransaction& operator=(const TTransaction&) = delete;
    void Commit();

private:
    TSqlite& m_db;
    bool m_open = true;
};

} // namespace kelvara
