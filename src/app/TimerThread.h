// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pacing thread: asks the main thread for one rename step, waits until it
// has run, and asks for the next no sooner than 10 ms after that step ended,
// for as long as it lives. Two steps never overlap, and the main thread has
// at least 10 ms between two steps for everything else.
//
// While there is no work (`work` says so: nothing queued, nothing searched)
// a step would do nothing, so the thread asks for none: once a step has
// found nothing left (the step that ends a run, and says so), it sleeps
// until work arrives or it is stopped, and an idle program does not wake at
// all. The first request after such a pause runs `idleEnded` before the
// step, on the main thread (the window drops an Escape press seen while it
// was idle).
//
// The 10 ms are counted from the end of one step to the request of the next,
// on the monotonic clock with the least timer slack the system gives, so a
// run of quick steps comes close to 100 a second and never above it.
//
// A fast run may pass the time between two steps otherwise (`pause`, given
// the time the next request is due): it asks for the next step as soon as
// the readers have files ready, and never later than the 10 ms.
//
// It starts at once. Destroying it stops it: the destructor asks the loop to
// end and, while it waits, keeps serving a step that was already requested,
// so the main thread and the pacing thread never wait for each other.

#include "thread/MainThreadCall.h"
#include "thread/Thread.h"
#include "thread/WorkSignal.h"

#include <chrono>
#include <functional>

namespace kelvara {

class TTimerThread : public TThread {
public:
    static constexpr std::chrono::milliseconds Interval{10};

    using TPause = std::function<void(std::chrono::steady_clock::time_point due)>;
    TTimerThread(TMainThreadCall& mainThread, std::function<void()> step, IWorkSignal& work,
                 std::function<void()> idleEnded = {}, TPause pause = {});
    ~TTimerThread() override;

protected:
    void Execute() override;
    void DoFinished() override;

private:
    TMainThreadCall& m_mainThread;
    std::function<void()> m_step;
    IWorkSignal& m_work;
    std::function<void()> m_idleEnded;
    TPause m_pause;
};

} // namespace kelvara
