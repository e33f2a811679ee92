// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The history of runs: what every run renamed, written ahead, so that a run
// can be undone, also after a crash or a power cut.
//
// Write ahead, decide from the disk. Before a photo and its companions are
// renamed, the rename is recorded as an intent (its folder, each file's old
// and new name as bytes, and each file's identity) and that record is on the
// disk before the move starts. What became of it is recorded after, but
// need not be: when the history is opened, every intent without an outcome
// is settled by looking at the disk (History.cpp's Settle, see there). So the
// history never claims a rename that did not happen, and never misses one
// that did. A run that was never ended is then marked killed.
//
// Intents can be written many in one transaction, ahead of the step (by the
// reader thread), so that the main thread never waits on the database; each
// commit costs a write to the disk.
//
// Any thread may call any member; each call is one transaction at most, and
// calls are served one at a time. Every failure to read or write the file
// throws THistoryError: the caller renames on without a history.

#include "history/HistoryError.h"
#include "history/HistoryTypes.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kelvara {

class TSqlite;

class THistory {
public:
    // Opens the history at `file`, creating it (and its folder) when
    // missing, and settles what a previous program left open. A damaged file
    // is moved aside and a new one started (MovedAside() says where).
    // Throws THistoryError.
    explicit THistory(const std::string& file);
    ~THistory();
    THistory(const THistory&) = delete;
    THistory& operator=(const THistory&) = delete;

    const std::string& File() const { return m_file; }
    // Where a damaged history was moved when this one was opened, else empty.
    const std::string& MovedAside() const { return m_movedAside; }

    // --- Recording a run (History.cpp) ---

    // A run begins: what set it going, when. For an undo, `undoOf` is the
    // run it moves back.
    TRunId BeginRun(const std::vector<std::string>& paths, THistoryClock::time_point started,
                    TRunKind kind = TRunKind::Rename, std::optional<TRunId> undoOf = {});
    // More paths given to a going run (a second drop, a handover), after
    // those it has.
    void AddRunPaths(TRunId run, const std::vector<std::string>& paths);
    // The run ends, with the counts its caller kept.
    void EndRun(TRunId run, TRunEnding ending, THistoryClock::time_point ended,
                std::int64_t renamed, std::int64_t kept);

    // Records renames about to happen, all in one transaction; their ids, in
    // order. Only once this returns may the files move.
    std::vector<TIntentId> WriteIntents(TRunId run, const std::vector<TIntent>& intents);
    TIntentId WriteIntent(TRunId run, const TIntent& intent);
    // Records `intent` in place of `superseded`, an intent of the same files
    // written for other names that will not happen now, in one transaction:
    // the superseded one is closed as never meant (neither renamed nor kept),
    // so that each file has one outcome whenever the program ends.
    TIntentId ReplaceIntent(TRunId run, TIntentId superseded, const TIntent& intent);

    // What became of intents, all in one transaction. Done: every file moved
    // but those named in `notMoved` (companions gone since the record).
    // Partly (a half-way move): each file is recorded as the disk shows it.
    struct TOutcome {
        TIntentId intent = 0;
        TIntentOutcome outcome = TIntentOutcome::Done;
        // Why a kept one was kept.
        TKeptReason reason = TKeptReason::MoveFailed;
        // Old names of the files of a done one that did not move.
        std::vector<std::string> notMoved;
    };
    void RecordOutcomes(const std::vector<TOutcome>& outcomes);
    // Records an intent's outcome from what the disk shows now (a half-way
    // move, say); what it found, or nullopt when its folder cannot be
    // looked into now (it stays open).
    std::optional<TIntentOutcome> SettleFromDisk(TIntentId intent);

    // Files the run left alone, all in one transaction.
    void RecordKept(TRunId run, const std::vector<TKeptFile>& files);

    // --- Reading it, for the history window (HistoryQueries.cpp) ---

    // Every run, the latest first.
    std::vector<TRunSummary> Runs();
    TRunSummary Run(TRunId run);
    // The renamed files of a rename run (each file of a half-way move as
    // it went), in the order they were renamed.
    std::vector<TRenameRecord> Renames(TRunId run);
    // The files a run left alone, with why (for an undo: what stayed).
    std::vector<TKeptFile> Kept(TRunId run);
    // What Ctrl+Z undoes: the latest rename run that renamed something and
    // that no undo went through to its end (undos go back run by run; one
    // stopped by Escape or cut off is finished first). What an undo that
    // went to its end left is retried from the history window.
    std::optional<TRunId> LastUndoable();
    // Forgets a run, and the undos of it. The files are not touched.
    void Forget(TRunId run);

    // --- For the undo (Undo.cpp) ---

    // A photo's files of a run that have their new names and have not been
    // moved back: what an undo of the run tries to move back.
    struct TUndoable {
        TIntentId intent = 0;
        std::string folder;
        // The files, the photo first where it is among them; each file's
        // position in its intent is kept in `positions`.
        std::vector<TFileRename> files;
        std::vector<int> positions;
    };
    // The latest first.
    std::vector<TUndoable> Undoable(TRunId run);
    // Records moves back about to happen: each undo intent reverses one
    // intent of the run undone, its files named as they will move (from the
    // new name to the old).
    std::vector<TIntentId> WriteUndoIntents(TRunId undoRun, const std::vector<TUndoable>& groups);
    // Files of the run undone that stay, with why, recorded in the undo run.
    void RecordStayed(TRunId undoRun, const std::vector<std::pair<TIntentId, TKeptFile>>& files);

private:
    // Decides every open intent from the disk, and ends killed runs.
    void SettleOpen();
    std::optional<TIntentOutcome> SettleLocked(TIntentId intent);
    std::vector<TIntentId> WriteIntentsLocked(TRunId run, const std::vector<TIntent>& intents,
                                              const std::vector<TIntentId>* reverses,
                                              const std::vector<std::vector<int>>* positions,
                                              std::optional<TIntentId> superseded = {});
    struct TOutcomeStatements;
    void RecordOutcomeLocked(const TOutcome& outcome, TOutcomeStatements& statements);
    // An intent closed accounts for its files: a file of it the run kept
    // before (a companion met before its photo) is no longer listed kept.
    void DropKeptOfIntentLocked(TIntentId intent);
    TRunSummary SummaryLocked(TRunId run);

    std::string m_file;
    std::string m_movedAside;
    std::unique_ptr<TSqlite> m_db;
    std::mutex m_mutex;
};

} // namespace kelvara
