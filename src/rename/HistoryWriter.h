// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The history as the program writes it while it renames: a thread of its
// own opens it (settling what a killed program left open) and writes runs,
// outcomes and kept files in batches, in the order they were handed in, so
// that neither the main thread nor a step ever waits on the disk.
//
// Intents are the exception by design: a rename must be on the disk before
// the files move. The reader thread writes them ahead of the step
// (WriteIntentAhead waits, on the reader thread), under the run that is
// being recorded; only where the step meets a rename that was not written
// ahead (the options changed in between) does it write one itself and wait.
//
// When the history cannot be opened or written, the program renames on:
// every call then does nothing (an intent gives nullopt), and Failure() says
// why, for the run's summary. A run during which anything could not be
// written is marked (RunUnrecorded), since it cannot be fully undone.
//
// All members may be called from any thread.

#include "history/History.h"
#include "history/HistoryError.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kelvara {

class THistoryWriter {
public:
    // Starts the thread, which opens the history at `file` (an empty name:
    // no history, with `noFileReason` as the failure).
    explicit THistoryWriter(std::string file, std::string noFileReason = {});
    // Writes what is queued, then stops the thread.
    ~THistoryWriter();
    THistoryWriter(const THistoryWriter&) = delete;
    THistoryWriter& operator=(const THistoryWriter&) = delete;

    // --- Queued, in order; none waits. ---
    // Begins a run, given `paths`.
    void BeginRun(std::vector<std::string> paths, THistoryClock::time_point started);
    // One more path given to the run begun last (one more of a drop, a
    // second drop or handover while the run goes on): it joins the run's
    // record, after the paths it has.
    void AddRunPath(const std::string& path);
    // Ends the run begun last.
    void EndRun(TRunEnding ending, THistoryClock::time_point ended, std::int64_t renamed,
                std::int64_t kept);
    void Outcome(TIntentId intent, TIntentOutcome outcome,
                 TKeptReason reason = TKeptReason::MoveFailed);
    // The outcome of an intent whose files did not all move as planned,
    // read from the disk.
    void Settle(TIntentId intent);
    // A file the run begun last left alone.
    void Kept(TKeptFile file);
    // Calls `then` on the writer's thread once everything handed in before
    // is written (or has failed to be).
    void AfterWritten(std::function<void()> then);

    // --- Waiting on the disk. ---
    // Records `intent` under the run begun last, once that run is on the
    // disk; its id once the record is on the disk. nullopt without a
    // history, or when no run is being recorded.
    // With `superseded` (an intent of the same files written ahead for
    // names not meant any more), the new one takes its place in the same
    // transaction.
    std::optional<TIntentId> WriteIntentAhead(const TIntent& intent,
                                              std::optional<TIntentId> superseded = {});
    // The same for many intents in one transaction: their ids in order, or
    // an empty list where none could be written.
    std::vector<TIntentId> WriteIntentsAhead(const std::vector<TIntent>& intents);
    // Waits until everything handed in before has been written.
    void Flush();
    // The opened history once it is open and while nothing failed; null
    // otherwise. Calls on it are served one at a time with the writer's.
    THistory* History();
    // Waits until the history is open or has failed to open.
    bool WaitOpen();

    // The first failure, as the history put it; nullopt while all is well.
    struct TFailure {
        THistoryError::TKind kind = THistoryError::TKind::Other;
        std::string file;
        std::string reason;
    };
    std::optional<TFailure> Failure() const;
    // Where a damaged history was moved when it was opened; empty if not.
    std::string MovedAside() const;
    // The run begun last, once it is recorded.
    std::optional<TRunId> LastRun() const;
    // True when something of the run begun last could not be written (it
    // failed, or the history was never open).
    bool RunUnrecorded() const;

private:
    // Waits until the history is open and the run begun last is on the
    // disk: that run, or nullopt without a history or a run to record.
    std::optional<TRunId> RunOnDisk();

    struct TJob {
        enum class TKind { Begin, AddPath, End, Outcome, Settle, Kept, Then };
        TKind kind = TKind::Then;
        std::vector<std::string> paths;
        THistoryClock::time_point time;
        TRunEnding ending = TRunEnding::Finished;
        std::int64_t renamed = 0;
        std::int64_t kept = 0;
        THistory::TOutcome outcome;
        TKeptFile file{{}, {}, TKeptReason::MoveFailed};
        std::function<void()> then;
    };

    void Queue(TJob job);
    void Run();
    void Write(std::vector<TJob>& jobs);
    void Fail(const std::exception_ptr& thrown);

    std::string m_file;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<TJob> m_jobs;           // under m_mutex
    std::uint64_t m_queued = 0;        // jobs ever queued; under m_mutex
    std::uint64_t m_written = 0;       // jobs ever done; under m_mutex
    std::uint64_t m_beginsQueued = 0;  // under m_mutex
    std::uint64_t m_beginsDone = 0;    // under m_mutex
    std::uint64_t m_urgent = 0;        // jobs that may not wait for a batch; under m_mutex
    bool m_opened = false;             // open tried; under m_mutex
    bool m_stop = false;               // under m_mutex
    std::optional<TRunId> m_run;       // the run begun last, once recorded; under m_mutex
    bool m_runUnrecorded = false;      // under m_mutex
    std::optional<TFailure> m_failure; // under m_mutex
    std::string m_movedAside;          // under m_mutex
    std::unique_ptr<THistory> m_history;
    std::thread m_thread;
};

} // namespace kelvara
