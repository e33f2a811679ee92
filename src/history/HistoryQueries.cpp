// SPDX-License-Identifier: GPL-3.0-or-later
// What the history window reads: the runs, a run's renames and kept files;
// and forgetting a run.
#include "history/History.h"
#include "history/HistoryRecords.h"
#include "history/HistoryTime.h"
#include "history/Sqlite.h"

namespace kelvara {

namespace {

std::int64_t Count(TSqlite& db, const char* sql, TRunId run) {
    TStatement count(db, sql);
    count.Bind(1, run);
    return count.Step() ? count.Int(0) : 0;
}

TRunState StateOfEnding(std::optional<TRunEnding> ending) {
    if (!ending)
        return TRunState::GoingOn;
    switch (*ending) {
    case TRunEnding::Finished:
        return TRunState::Finished;
    case TRunEnding::Cancelled:
        return TRunState::Cancelled;
    case TRunEnding::Killed:
        return TRunState::Killed;
    }
    return TRunState::Killed;
}

} // namespace

TRunSummary THistory::SummaryLocked(TRunId run) {
    TRunSummary summary;
    TStatement head(*m_db, "SELECT kind, undo_of, started, ended, ending FROM runs WHERE id = ?");
    head.Bind(1, run);
    if (!head.Step())
        throw THistoryError(THistoryError::TKind::Other, m_file, "no run " + std::to_string(run));
    summary.id = run;
    summary.kind = static_cast<TRunKind>(head.Int(0));
    summary.undoOf = head.MaybeInt(1);
    summary.started = FromMilliseconds(head.Int(2));
    if (const auto ended = head.MaybeInt(3))
        summary.ended = FromMilliseconds(*ended);
    if (const auto ending = head.MaybeInt(4))
        summary.ending = static_cast<TRunEnding>(*ending);

    TStatement paths(*m_db, "SELECT path FROM run_paths WHERE run = ? ORDER BY position");
    paths.Bind(1, run);
    while (paths.Step())
        summary.paths.push_back(paths.Bytes(0));

    summary.renamed =
        Count(*m_db, "SELECT COUNT(*) FROM intents WHERE run = ? AND outcome IN (0, 2)", run);
    summary.kept = Count(*m_db,
                         "SELECT (SELECT COUNT(*) FROM kept WHERE run = ?1) + "
                         "(SELECT COUNT(*) FROM intents WHERE run = ?1 AND outcome = 1)",
                         run);
    summary.state = StateOfEnding(summary.ending);
    if (summary.kind == TRunKind::Rename) {
        const std::int64_t moved =
            Count(*m_db,
                  "SELECT COUNT(*) FROM intent_files f JOIN intents i ON f.intent = i.id "
                  "WHERE i.run = ? AND f.moved = 1",
                  run);
        const std::int64_t back =
            Count(*m_db,
                  "SELECT COUNT(*) FROM intent_files f JOIN intents i ON f.intent = i.id "
                  "WHERE i.run = ? AND f.moved = 1 AND f.back = 1",
                  run);
        if (moved > 0 && back == moved)
            summary.state = TRunState::Undone;
        else if (back > 0)
            summary.state = TRunState::PartlyUndone;
    }
    return summary;
}

std::vector<TRunSummary> THistory::Runs() {
    std::lock_guard guard(m_mutex);
    std::vector<TRunId> ids;
    {
        TStatement runs(*m_db, "SELECT id FROM runs ORDER BY id DESC");
        while (runs.Step())
            ids.push_back(runs.Int(0));
    }
    std::vector<TRunSummary> summaries;
    for (const TRunId id : ids)
        summaries.push_back(SummaryLocked(id));
    return summaries;
}

TRunSummary THistory::Run(TRunId run) {
    std::lock_guard guard(m_mutex);
    return SummaryLocked(run);
}

std::vector<TRenameRecord> THistory::Renames(TRunId run) {
    std::lock_guard guard(m_mutex);
    TStatement files(*m_db, "SELECT i.id, i.folder, f.old_name, f.new_name, f.moved, f.back, "
                            "COALESCE(i.date_source, '') "
                            "FROM intents i JOIN intent_files f ON f.intent = i.id "
                            "WHERE i.run = ? AND i.outcome IN (0, 2) ORDER BY i.id, f.position");
    files.Bind(1, run);
    std::vector<TRenameRecord> records;
    while (files.Step()) {
        TRenameRecord record;
        record.intent = files.Int(0);
        record.folder = files.Bytes(1);
        record.oldName = files.Bytes(2);
        record.newName = files.Bytes(3);
        record.renamed = files.MaybeInt(4).value_or(0) != 0;
        record.undone = files.Int(5) != 0;
        record.dateSource = files.Bytes(6);
        records.push_back(std::move(record));
    }
    return records;
}

std::vector<TKeptFile> THistory::Kept(TRunId run) {
    std::lock_guard guard(m_mutex);
    std::vector<TKeptFile> kept;
    TStatement files(*m_db, "SELECT folder, name, reason FROM kept WHERE run = ? ORDER BY id");
    files.Bind(1, run);
    while (files.Step())
        kept.push_back({files.Bytes(0), files.Bytes(1), static_cast<TKeptReason>(files.Int(2))});
    // Renames that were recorded and then did not happen, each file of them.
    TStatement intents(*m_db, "SELECT i.folder, f.old_name, i.reason "
                              "FROM intents i JOIN intent_files f ON f.intent = i.id "
                              "WHERE i.run = ? AND i.outcome = 1 ORDER BY i.id, f.position");
    intents.Bind(1, run);
    while (intents.Step())
        kept.push_back({intents.Bytes(0), intents.Bytes(1),
                        static_cast<TKeptReason>(intents.MaybeInt(2).value_or(
                            static_cast<std::int64_t>(TKeptReason::MoveFailed)))});
    return kept;
}

std::optional<TRunId> THistory::LastUndoable() {
    std::lock_guard guard(m_mutex);
    // The latest rename run with something renamed that no undo has gone
    // through to its end: undos go back run by run, and one that Escape
    // stopped or the program's end cut off is finished first. What an undo
    // that went to its end left (a file changed since, say) is retried from
    // the history window.
    TStatement last(*m_db, "SELECT r.id FROM runs r WHERE r.kind = 0 "
                           "AND NOT EXISTS (SELECT 1 FROM runs u WHERE u.undo_of = r.id "
                           "                AND u.ending = 0) "
                           "AND EXISTS (SELECT 1 FROM intents i JOIN intent_files f "
                           "            ON f.intent = i.id WHERE i.run = r.id "
                           "            AND f.moved = 1 AND f.back = 0) "
                           "ORDER BY r.id DESC LIMIT 1");
    if (!last.Step())
        return std::nullopt;
    return last.Int(0);
}

void THistory::Forget(TRunId run) {
    std::lock_guard guard(m_mutex);
    TTransaction transaction(*m_db);
    // Its records go with it (the tables cascade).
    TStatement undos(*m_db, "DELETE FROM runs WHERE undo_of = ?");
    undos.Bind(1, run);
    undos.Run();
    TStatement forget(*m_db, "DELETE FROM runs WHERE id = ?");
    forget.Bind(1, run);
    forget.Run();
    transaction.Commit();
}

} // namespace kelvara
