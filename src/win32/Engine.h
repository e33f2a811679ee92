// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Windows edition's engine: the shared search worker finds the files and
// the shared rename step (TRenameStep, without a reader thread: at the
// described pace each step reads its own file) renames one per pacing tick,
// looking at Escape itself. The window's naming options are read at every
// step, so a change applies from the next file on.

#include "platform/EscapeKey.h"
#include "rename/RenameOutcome.h"
#include "rename/RenameStep.h"
#include "search/FindFileThread.h"
#include "search/PathList.h"
#include "win32/RenameEngine.h"

#include <string>
#include <vector>

namespace kelvara {

class TEngine : public IRenameEngine, private IRenameObserver {
public:
    // `escape` must outlive the engine.
    explicit TEngine(IEscapeKey& escape);
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

    TCriticalSection m_lock;
    mutable TFindFileThread m_search{m_lock};
    TPathList m_pending;
    TStepOptions m_options;
    TRenameStep m_step;
};

} // namespace kelvara
