// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TMainThreadCall: lets another thread have a function run on the main thread
// and wait until it has run (what the pacing thread needs for each rename
// step). A request wakes the main thread through the `wake` callback given at
// construction (the Qt binding posts an event, so any event loop serves it,
// modal ones included); the main thread runs it in Serve. While the main
// thread waits for such a thread to end, it calls ServeUntil, which keeps
// serving requests, so neither side can wait for the other for ever.
//
// One request is in flight at a time per requesting thread; two requesting
// threads are served one after the other.

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>

namespace kelvara {

class TMainThreadCall {
public:
    explicit TMainThreadCall(std::function<void()> wake);
    virtual ~TMainThreadCall() = default;
    TMainThreadCall(const TMainThreadCall&) = delete;
    TMainThreadCall& operator=(const TMainThreadCall&) = delete;

    // Requesting thread: runs `call` on the main thread and returns once it
    // has run. An exception thrown by `call` is thrown again here.
    void Synchronize(const std::function<void()>& call);

    // Main thread: runs the pending request, if there is one.
    void Serve();

    // Main thread: serves requests until `done()` holds. `done` is tested
    // whenever a request was served or Notify was called.
    void ServeUntil(const std::function<bool()>& done);

    // Any thread: makes a ServeUntil look at its condition again.
    void Notify();

private:
    struct TRequest {
        const std::function<void()>* call = nullptr;
        std::exception_ptr error;
        bool done = false;
    };

    // Takes the pending request under the lock; runs it outside.
    void RunPending(std::unique_lock<std::mutex>& lock);

    std::function<void()> m_wake;
    std::mutex m_mutex;
    std::condition_variable m_mainWakes;   // a request arrived, or Notify
    std::condition_variable m_requestDone; // the main thread ran a request
    std::condition_variable m_slotFree;    // no request is pending any more
    TRequest* m_pending = nullptr;
    unsigned long m_notifications = 0;
};

} // namespace kelvara
