// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TimerThread.h"

#include "app/Log.h"
#include "platform/PreciseSleep.h"

namespace kelvara {

TTimerThread::TTimerThread(TMainThreadCall& mainThread, std::function<void()> step,
                           IWorkSignal& work, std::function<void()> idleEnded, TPause pause)
    : m_mainThread(mainThread), m_step(std::move(step)), m_work(work),
      m_idleEnded(std::move(idleEnded)), m_pause(std::move(pause)) {
    Resume();
}

TTimerThread::~TTimerThread() {
    Terminate();
    m_work.WakeWaiters();
    m_mainThread.ServeUntil([this] { return Finished(); });
    WaitFor();
}

void TTimerThread::Execute() {
    RequestPreciseSleeps();
    // A run ends with one step that finds nothing left (it says so, and
    // drops a late Escape); only after such a step does the thread pause.
    bool lastFoundNothing = true;
    while (!Terminated()) {
        const bool work = m_work.HasWork();
        const bool idle = !work && lastFoundNothing;
        if (idle) {
            // Tests wait for these two lines: the thread has stopped asking
            // for steps, and starts again because work has come.
            LogDebug(lcApp) << "pacing idle";
            m_work.WaitForWork([this] { return Terminated(); });
            if (Terminated())
                break;
            LogDebug(lcApp) << "pacing resumed";
        }
        lastFoundNothing = !work && !idle;
        std::chrono::steady_clock::time_point stepEnd;
        m_mainThread.Synchronize([&] {
            if (idle && m_idleEnded)
                m_idleEnded();
            m_step();
            stepEnd = std::chrono::steady_clock::now();
        });
        if (m_pause)
            m_pause(stepEnd + Interval);
        else
            SleepUntil(stepEnd + Interval);
    }
}

void TTimerThread::DoFinished() {
    m_mainThread.Notify();
}

} // namespace kelvara
