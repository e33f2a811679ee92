// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/History.h"

#include "history/HistoryFile.h"
#include "history/HistoryRecords.h"
#include "history/HistoryTime.h"
#include "history/Sqlite.h"

namespace kelvara {

THistory::THistory(const std::string& file) : m_file(file) {
    TOpenedHistoryFile opened = OpenHistoryFile(file);
    m_db = std::move(opened.db);
    m_movedAside = std::move(opened.movedAside);
    std::lock_guard guard(m_mutex);
    SettleOpen();
}

THistory::~THistory() = default;

TRunId THistory::BeginRun(const std::vector<std::string>& paths, THistoryClock::time_point started,
                          TRunKind kind, std::optional<TRunId> undoOf) {
    std::lock_guard guard(m_mutex);
    TTransaction transaction(*m_db);
    TStatement run(*m_db, "INSERT INTO runs(kind, undo_of, started) VALUES(?, ?, ?)");
    run.Bind(1, static_cast<std::int64_t>(kind)).Bind(2, undoOf).Bind(3, ToMilliseconds(started));
    run.Run();
    const TRunId id = m_db->LastInsertId();
    TStatement path(*m_db, "INSERT INTO run_paths(run, position, path) VALUES(?, ?, ?)");
    for (std::size_t i = 0; i < paths.size(); ++i) {
        path.Bind(1, id).Bind(2, static_cast<std::int64_t>(i)).BindBytes(3, paths[i]);
        path.Run();
    }
    transaction.Commit();
    return id;
}

void THistory::AddRunPaths(TRunId run, const std::vector<std::string>& paths) {
    std::lock_guard guard(m_mutex);
    TTransaction transaction(*m_db);
    TStatement path(*m_db, "INSERT INTO run_paths(run, position, path) "
                           "SELECT ?1, COALESCE(MAX(position) + 1, 0), ?2 FROM run_paths "
                           "WHERE run = ?1");
    for (const std::string& given : paths) {
        path.Bind(1, run).BindBytes(2, given);
        path.Run();
    }
    transaction.Commit();
}

void THistory::EndRun(TRunId run, TRunEnding ending, THistoryClock::time_point ended,
                      std::int64_t renamed, std::int64_t kept) {
    std::lock_guard guard(m_mutex);
    TStatement end(*m_db, "UPDATE runs SET ended = ?, ending = ?, counted_renamed = ?, "
                          "counted_kept = ? WHERE id = ?");
    end.Bind(1, ToMilliseconds(ended))
        .Bind(2, static_cast<std::int64_t>(ending))
        .Bind(3, renamed)
        .Bind(4, kept)
        .Bind(5, run);
    end.Run();
}

std::vector<TIntentId> THistory::WriteIntents(TRunId run, const std::vector<TIntent>& intents) {
    std::lock_guard guard(m_mutex);
    return WriteIntentsLocked(run, intents, nullptr, nullptr);
}

TIntentId THistory::WriteIntent(TRunId run, const TIntent& intent) {
    return WriteIntents(run, {intent}).front();
}

TIntentId THistory::ReplaceIntent(TRunId run, TIntentId superseded, const TIntent& intent) {
    std::lock_guard guard(m_mutex);
    return WriteIntentsLocked(run, {intent}, nullptr, nullptr, superseded).front();
}

std::vector<TIntentId> THistory::WriteIntentsLocked(TRunId run, const std::vector<TIntent>& intents,
                                                    const std::vector<TIntentId>* reverses,
                                                    const std::vector<std::vector<int>>* positions,
                                                    std::optional<TIntentId> superseded) {
    TTransaction transaction(*m_db);
    if (superseded) {
        // Only one still open: one closed meanwhile stays as it is.
        TStatement close(*m_db, "UPDATE intents SET outcome = ?, reason = NULL "
                                "WHERE id = ? AND outcome IS NULL");
        close.Bind(1, static_cast<std::int64_t>(TIntentOutcome::Superseded)).Bind(2, *superseded);
        close.Run();
    }
    TStatement head(*m_db, "INSERT INTO intents(run, folder, reverses, date_source) "
                           "VALUES(?, ?, ?, NULLIF(?, ''))");
    TStatement file(*m_db, "INSERT INTO intent_files(intent, position, old_name, new_name, "
                           "device, inode, size, modified, stable_inode) "
                           "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)");
    std::vector<TIntentId> ids;
    ids.reserve(intents.size());
    for (std::size_t i = 0; i < intents.size(); ++i) {
        const TIntent& intent = intents[i];
        head.Bind(1, run).BindBytes(2, intent.folder);
        head.Bind(3, reverses ? std::optional<std::int64_t>((*reverses)[i]) : std::nullopt);
        head.BindText(4, intent.dateSource);
        head.Run();
        const TIntentId id = m_db->LastInsertId();
        for (std::size_t f = 0; f < intent.files.size(); ++f) {
            const TFileRename& rename = intent.files[f];
            const std::int64_t position =
                positions ? (*positions)[i][f] : static_cast<std::int64_t>(f);
            file.Bind(1, id).Bind(2, position);
            file.BindBytes(3, rename.oldName).BindBytes(4, rename.newName);
            // Device and inode numbers are unsigned 64-bit; SQLite keeps
            // them as the signed integer of the same bits.
            file.Bind(5, static_cast<std::int64_t>(rename.identity.device))
                .Bind(6, static_cast<std::int64_t>(rename.identity.inode))
                .Bind(7, rename.identity.size)
                .Bind(8, rename.identity.modified)
                .Bind(9, std::int64_t{rename.identity.stableInode ? 1 : 0});
            file.Run();
        }
        ids.push_back(id);
    }
    transaction.Commit();
    return ids;
}

// A rename run's own kept rows only (an undo's name their intent).
const char* const DropKeptSql = "DELETE FROM kept WHERE intent IS NULL "
                                "AND run = (SELECT run FROM intents WHERE id = ?1) "
                                "AND folder = (SELECT folder FROM intents WHERE id = ?1) "
                                "AND name IN (SELECT old_name FROM intent_files WHERE intent = ?1)";

// The statements of RecordOutcomes, prepared once for the whole batch: a
// fast run records thousands of outcomes in one.
struct THistory::TOutcomeStatements {
    explicit TOutcomeStatements(TSqlite& db)
        : head(db, "UPDATE intents SET outcome = ?, reason = ? WHERE id = ?"),
          files(db, "UPDATE intent_files SET moved = ? WHERE intent = ?"),
          stayed(db, "UPDATE intent_files SET moved = 0 WHERE intent = ? AND old_name = ?"),
          movedBack(db, MarkMovedBackSql), dropKept(db, DropKeptSql) {}
    TStatement head;
    TStatement files;
    TStatement stayed;
    TStatement movedBack;
    TStatement dropKept;
};

void THistory::RecordOutcomes(const std::vector<TOutcome>& outcomes) {
    std::lock_guard guard(m_mutex);
    TTransaction transaction(*m_db);
    TOutcomeStatements statements(*m_db);
    for (const TOutcome& outcome : outcomes)
        RecordOutcomeLocked(outcome, statements);
    transaction.Commit();
}

void THistory::RecordOutcomeLocked(const TOutcome& outcome, TOutcomeStatements& statements) {
    if (outcome.outcome == TIntentOutcome::Partly) {
        // Each file as the disk shows it.
        SettleLocked(outcome.intent);
        return;
    }
    const bool done = outcome.outcome == TIntentOutcome::Done;
    const TIntentOutcome stored =
        done && !outcome.notMoved.empty() ? TIntentOutcome::Partly : outcome.outcome;
    statements.head.Bind(1, static_cast<std::int64_t>(stored))
        .Bind(2, done ? std::nullopt
                      : std::optional<std::int64_t>(static_cast<std::int64_t>(outcome.reason)))
        .Bind(3, outcome.intent);
    statements.head.Run();
    statements.files.Bind(1, std::int64_t{done ? 1 : 0}).Bind(2, outcome.intent);
    statements.files.Run();
    for (const std::string& name : outcome.notMoved) {
        statements.stayed.Bind(1, outcome.intent).BindBytes(2, name);
        statements.stayed.Run();
    }
    statements.movedBack.Bind(1, outcome.intent);
    statements.movedBack.Run();
    statements.dropKept.Bind(1, outcome.intent);
    statements.dropKept.Run();
}

void THistory::DropKeptOfIntentLocked(TIntentId intent) {
    TStatement drop(*m_db, DropKeptSql);
    drop.Bind(1, intent);
    drop.Run();
}

std::optional<TIntentOutcome> THistory::SettleFromDisk(TIntentId intent) {
    std::lock_guard guard(m_mutex);
    TTransaction transaction(*m_db);
    const std::optional<TIntentOutcome> outcome = SettleLocked(intent);
    transaction.Commit();
    return outcome;
}

void THistory::RecordKept(TRunId run, const std::vector<TKeptFile>& files) {
    std::lock_guard guard(m_mutex);
    TTransaction transaction(*m_db);
    TStatement kept(*m_db, "INSERT INTO kept(run, folder, name, reason) VALUES(?, ?, ?, ?)");
    for (const TKeptFile& file : files) {
        kept.Bind(1, run).BindBytes(2, file.folder).BindBytes(3, file.name);
        kept.Bind(4, static_cast<std::int64_t>(file.reason));
        kept.Run();
    }
    transaction.Commit();
}

} // namespace kelvara
