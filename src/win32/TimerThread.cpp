// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/TimerThread.h"

#include <system_error>

namespace kelvara {

TTimerThread::TTimerThread(HWND window, UINT message)
    : m_window(window), m_message(message), m_stop(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (!m_stop)
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                "CreateEvent");
    m_thread.reset(CreateThread(nullptr, 0, &Body, this, 0, nullptr));
    if (!m_thread)
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                "CreateThread");
}

TTimerThread::~TTimerThread() {
    SetEvent(m_stop.get());
    const HANDLE thread = m_thread.get();
    // Serve the step the thread may be waiting on, then wait again.
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) ==
           WAIT_OBJECT_0 + 1) {
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

DWORD WINAPI TTimerThread::Body(void* self) {
    auto& thread = *static_cast<TTimerThread*>(self);
    // The stop request is looked at once a pass, before each step; the wait
    // after a step ends early when it comes.
    while (WaitForSingleObject(thread.m_stop.get(), 0) == WAIT_TIMEOUT) {
        SendMessageW(thread.m_window, thread.m_message, 0, 0);
        if (WaitForSingleObject(thread.m_stop.get(), 10) != WAIT_TIMEOUT)
            break;
    }
    return 0;
}

} // namespace kelvara
