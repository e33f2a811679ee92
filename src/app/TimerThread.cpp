#include "app/TimerThread.h"

#include <thread>

namespace kelvara {

TTimerThread::TTimerThread(TMainThreadCall& mainThread, std::function<void()> step)
    : m_mainThread(mainThread), m_step(std::move(step)) {
    Resume();
}

TTimerThread::~TTimerThread() {
    Terminate();
    m_mainThread.ServeUntil([this] { return Finished(); });
    WaitFor();
}

void TTimerThread::Execute() {
    while (!Terminated()) {
        m_mainThread.Synchronize(m_step);
        std::this_thread::sleep_for(Interval);
    }
}

void TTimerThread::DoFinished() {
    m_mainThread.Notify();
}

} // namespace kelvara
