// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Windows edition's engine: the shared search worker finds the files, the
// shared reader thread reads the front one ahead of its step, and the shared
// rename step (TRenameStep) renames one per pacing tick, looking at Escape
// itself. The window's naming options are read at every
// step, so a change applies from the next file on.
//
// Runs are recorded in the history as on Linux: a run starts with the first
// path queued while none goes, takes in every path queued while it goes, and
// ends when the queues run empty or Escape (or closing the window) empties
// them. Each rename is on the disk before its file moves. Queue paths and
// step on one thread (the window's).

#include "platform/EscapeKey.h"
#include "rename/HistoryWriter.h"
#include "rename/PhotoReader.h"
#include "rename/RenameOutcome.h"
#include "rename/RenameStep.h"
#include "rename/Run.h"
#include "search/FindFileThread.h"
#include "search/PathList.h"
#include "win32/RenameEngine.h"

#include <memory>
#include <string>
#include <vector>

namespace kelvara {

class TEngine : public IRenameEngine, private IRenameObserver {
public:
    // `escape` must outlive the engine. Runs are recorded in `historyFile`
    // (opened on a thread of its own); with none, nothing is recorded.
    TEngine(IEscapeKey& escape, const std::string& historyFile);
    // Ends a run still going as cancelled, and writes what is left.
    ~TEngine() override;
    TEngine(const TEngine&) = delete;
    TEngine& operator=(const TEngine&) = delete;

    void QueuePaths(const std::vector<std::wstring>& paths) override;
    void Step(const INamingOptions& options) noexcept override;
    void Cancel() override;
    bool HasWork() const override;

private:
    // The options of the step under way, handed on to the shared step.
    class TStepOptions : public INamingOptions {
    public:
        const INamingOptions* current = nullptr;
        std::string DatePattern() const override;
        TNameLayout Layout() const override;
        bool VideosToo() const override;
    };

    void FileDone(const TFileOutcome& outcome) noexcept override;
    void Cancelled() noexcept override;
    void QueuesEmpty() noexcept override;
    void EndRun(bool cancelled) noexcept;

    TCriticalSection m_lock;
    mutable TFindFileThread m_search{m_lock};
    TPathList m_pending;
    TStepOptions m_options;
    std::unique_ptr<THistoryWriter> m_history; // outlives the reader and the step
    std::unique_ptr<TPhotoReaderThread> m_reader;
    TRun m_run;
    TRenameStep m_step;
};

} // namespace kelvara
