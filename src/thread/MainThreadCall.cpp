// SPDX-License-Identifier: GPL-3.0-or-later
#include "thread/MainThreadCall.h"

#include <utility>

namespace kelvara {

TMainThreadCall::TMainThreadCall(std::function<void()> wake) : m_wake(std::move(wake)) {}

void TMainThreadCall::Synchronize(const std::function<void()>& call) {
    TRequest request;
    request.call = &call;
    {
        std::unique_lock lock(m_mutex);
        m_slotFree.wait(lock, [this] { return m_pending == nullptr; });
        m_pending = &request;
    }
    m_mainWakes.notify_all();
    if (m_wake)
        m_wake();
    std::unique_lock lock(m_mutex);
    m_requestDone.wait(lock, [&request] { return request.done; });
    if (request.error)
        std::rethrow_exception(request.error);
}

void TMainThreadCall::RunPending(std::unique_lock<std::mutex>& lock) {
    TRequest* request = std::exchange(m_pending, nullptr);
    if (request == nullptr)
        return;
    lock.unlock();
    std::exception_ptr error;
    try {
        (*request->call)();
    } catch (...) {
        // Handed back to the requesting thread, which decides what it means.
        error = std::current_exception();
    }
    lock.lock();
    request->error = error;
    request->done = true;
    m_requestDone.notify_all();
    m_slotFree.notify_one();
}

void TMainThreadCall::Serve() {
    std::unique_lock lock(m_mutex);
    RunPending(lock);
}

void TMainThreadCall::ServeUntil(const std::function<bool()>& done) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        RunPending(lock);
        const unsigned long seen = m_notifications;
        lock.unlock();
        if (done())
            return;
        lock.lock();
        m_mainWakes.wait(lock, [&] { return m_pending != nullptr || m_notifications != seen; });
    }
}

void TMainThreadCall::Notify() {
    {
        std::lock_guard lock(m_mutex);
        ++m_notifications;
    }
    m_mainWakes.notify_all();
}

} // namespace kelvara
