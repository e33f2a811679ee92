// SPDX-License-Identifier: GPL-3.0-or-later
#include "thread/Thread.h"

#include <cassert>

namespace kelvara {

TThread::~TThread() {
    // The derived destructor has already stopped the body (see the header);
    // this only covers a derived class that never started it.
    assert(!m_thread.joinable() || Finished());
    if (m_thread.joinable())
        m_thread.join();
}

void TThread::Resume() {
    std::call_once(m_startOnce, [this] {
        m_started.store(true, std::memory_order_release);
        m_thread = std::thread([this] {
            Execute();
            m_finished.store(true, std::memory_order_release);
            DoFinished();
        });
    });
}

void TThread::Terminate() {
    m_terminated.store(true, std::memory_order_release);
}

void TThread::WaitFor() {
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

void TThread::TerminateAndWait() {
    Terminate();
    WaitFor();
}

bool TThread::Finished() const {
    return !m_started.load(std::memory_order_acquire) || m_finished.load(std::memory_order_acquire);
}

} // namespace kelvara
