// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TThread: a thread object in the manner the program's units expect. It is
// always created suspended (nothing runs until Resume; a derived class that
// should start at once calls Resume as the last step of its own constructor,
// since the body must not run before the object is whole), is asked to stop with
// Terminate, and waited for with WaitFor. A thread that was never resumed has
// nothing to wait for, so a copy of the program that only hands its arguments
// over can create and destroy its threads without ever starting them.
//
// A derived class must stop the thread (TerminateAndWait, or its own stop that
// ends in WaitFor) in its own destructor: the body runs the derived class's
// Execute, which must not outlive the derived part. The base destructor only
// checks that this happened.

#include <atomic>
#include <mutex>
#include <thread>

namespace kelvara {

class TThread {
public:
    TThread() = default;
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Starts a thread that was created suspended; later calls do nothing.
    void Resume();
    // Asks the body to end; the body looks at Terminated() when it can.
    void Terminate();
    // Blocks until the body has returned (at once when it never started).
    void WaitFor();
    void TerminateAndWait();

    bool Terminated() const { return m_terminated.load(std::memory_order_acquire); }
    // True once the body has returned, or when it never started.
    bool Finished() const;

protected:
    virtual void Execute() = 0;
    // Runs on the thread itself right after Execute has returned.
    virtual void DoFinished() {}

private:
    std::atomic<bool> m_terminated{false};
    std::atomic<bool> m_started{false};
    std::atomic<bool> m_finished{false};
    std::once_flag m_startOnce;
    std::thread m_thread;
};

} // namespace kelvara
