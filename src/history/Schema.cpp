// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/Schema.h"

#include "history/Sqlite.h"

#include <string>

namespace kelvara {

namespace {

constexpr const char* Version1 = R"(
CREATE TABLE runs(
  id INTEGER PRIMARY KEY,
  kind INTEGER NOT NULL,
  undo_of INTEGER,
  started INTEGER NOT NULL,
  ended INTEGER,
  ending INTEGER,
  counted_renamed INTEGER,
  counted_kept INTEGER);
CREATE TABLE run_paths(
  run INTEGER NOT NULL REFERENCES runs(id) ON DELETE CASCADE,
  position INTEGER NOT NULL,
  path BLOB NOT NULL,
  PRIMARY KEY(run, position)) WITHOUT ROWID;
CREATE TABLE intents(
  id INTEGER PRIMARY KEY,
  run INTEGER NOT NULL REFERENCES runs(id) ON DELETE CASCADE,
  folder BLOB NOT NULL,
  reverses INTEGER,
  outcome INTEGER,
  reason INTEGER);
CREATE INDEX intents_run ON intents(run);
CREATE INDEX intents_reverses ON intents(reverses);
CREATE INDEX intents_open ON intents(id) WHERE outcome IS NULL;
CREATE TABLE intent_files(
  intent INTEGER NOT NULL REFERENCES intents(id) ON DELETE CASCADE,
  position INTEGER NOT NULL,
  old_name BLOB NOT NULL,
  new_name BLOB NOT NULL,
  device INTEGER NOT NULL,
  inode INTEGER NOT NULL,
  size INTEGER NOT NULL,
  modified INTEGER NOT NULL,
  stable_inode INTEGER NOT NULL,
  moved INTEGER,
  back INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY(intent, position)) WITHOUT ROWID;
CREATE TABLE kept(
  id INTEGER PRIMARY KEY,
  run INTEGER NOT NULL REFERENCES runs(id) ON DELETE CASCADE,
  folder BLOB NOT NULL,
  name BLOB NOT NULL,
  reason INTEGER NOT NULL,
  intent INTEGER);
CREATE INDEX kept_run ON kept(run);
)";

// Version 2: which source gave the shooting date of each rename (its
// stable English name); NULL for renames recorded before it was kept.
constexpr const char* Version2 = "ALTER TABLE intents ADD COLUMN date_source TEXT";

// Finds a run's kept rows by name, for dropping those a rename took
// along. An index only: files without it are read and written the same.
constexpr const char* KeptByName = "CREATE INDEX IF NOT EXISTS kept_name ON kept(run, name)";

// The tables every version has; a file that claims a version but lacks
// one of them was not written by us whole.
constexpr const char* Tables[] = {"runs", "run_paths", "intents", "intent_files", "kept"};

bool HasTable(TSqlite& db, const char* name) {
    TStatement look(db, "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?");
    look.BindText(1, name);
    return look.Step();
}

[[noreturn]] void Damaged(TSqlite& db, const std::string& why) {
    throw THistoryError(THistoryError::TKind::Damaged, db.File(), why);
}

} // namespace

bool CheckSchema(TSqlite& db) {
    if (!HasTable(db, "schema_version")) {
        TStatement any(db, "SELECT 1 FROM sqlite_schema");
        if (any.Step())
            Damaged(db, "it holds tables that are not a history's");
        return false;
    }
    TStatement read(db, "SELECT version FROM schema_version");
    if (!read.Step())
        Damaged(db, "it has no version");
    const std::int64_t version = read.Int(0);
    if (version > HistorySchemaVersion)
        throw THistoryError(THistoryError::TKind::Other, db.File(),
                            "written by a later release (version " + std::to_string(version) + ")");
    if (version < 1)
        Damaged(db, "it has no valid version");
    for (const char* table : Tables)
        if (!HasTable(db, table))
            Damaged(db, std::string("the table ") + table + " is missing");
    return true;
}

void PrepareSchema(TSqlite& db, bool fresh) {
    if (!fresh) {
        // Each step brings a file up one version in a transaction of its
        // own, so that a file is always at one whole version.
        std::int64_t version = HistorySchemaVersion;
        {
            TStatement read(db, "SELECT version FROM schema_version");
            if (read.Step())
                version = read.Int(0);
        }
        if (version < 2) {
            TTransaction transaction(db);
            db.Execute(Version2);
            db.Execute("UPDATE schema_version SET version = 2");
            transaction.Commit();
        }
        try {
            db.Execute(KeptByName);
        } catch (const THistoryError&) {
            // A file that cannot take it now (read-only) is used as it is.
        }
        return;
    }
    TTransaction transaction(db);
    db.Execute("CREATE TABLE schema_version(version INTEGER NOT NULL)");
    db.Execute(Version1);
    db.Execute(Version2);
    db.Execute(KeptByName);
    TStatement write(db, "INSERT INTO schema_version(version) VALUES(?)");
    write.Bind(1, std::int64_t{HistorySchemaVersion}).Run();
    transaction.Commit();
}

} // namespace kelvara
