#pragma once
// Runs the rename pipeline without a window: every path given goes through
// the same intake as a dropped one, the pacing thread asks for rename steps
// with the first-start naming options, and the event loop ends once nothing
// is queued, nothing is pending and no search runs.

#include "findfile/PathList.h"
#include "main/NamingOptions.h"
#include "main/RenameStep.h"
#include "main/TimerThread.h"
#include "platform/EscapeKey.h"
#include "platform/QtMainThreadCall.h"

#include <memory>
#include <string>
#include <vector>

namespace kelvara {

class THeadlessHost {
public:
    // Starts the pacing thread and lets `worker` run.
    explicit THeadlessHost(TFindFileThread& worker);
    // Stops the pacing thread (serving its last step), then cancels the worker.
    ~THeadlessHost();
    THeadlessHost(const THeadlessHost&) = delete;
    THeadlessHost& operator=(const THeadlessHost&) = delete;

    void QueuePath(const std::string& path);

private:
    void Step();

    TFindFileThread& m_worker;
    TFixedNamingOptions m_options;
    std::unique_ptr<IEscapeKey> m_escape;
    TPathList FPendingFiles;
    TRenameStep m_step;
    TQtMainThreadCall m_mainThread;
    std::unique_ptr<TTimerThread> FTimerThread;
};

} // namespace kelvara
