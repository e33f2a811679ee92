#pragma once
// The pacing thread: asks the main thread for one rename step, waits until it
// has run, sleeps 10 ms, and again, for as long as it lives. Two steps never
// overlap, and the main thread has at least 10 ms between two steps for
// everything else.
//
// It starts at once. Destroying it stops it: the destructor asks the loop to
// end and, while it waits, keeps serving a step that was already requested,
// so the main thread and the pacing thread never wait for each other.

#include "thread/MainThreadCall.h"
#include "thread/Thread.h"

#include <chrono>
#include <functional>

namespace kelvara {

class TTimerThread : public TThread {
public:
    static constexpr std::chrono::milliseconds Interval{10};

    TTimerThread(TMainThreadCall& mainThread, std::function<void()> step);
    ~TTimerThread() override;

protected:
    void Execute() override;
    void DoFinished() override;

private:
    TMainThreadCall& m_mainThread;
    std::function<void()> m_step;
};

} // namespace kelvara
