// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pacing thread: asks the window's thread for one rename step (a sent
// message, so it waits until the step has run), then waits 10 ms, over and
// over. Two steps never overlap, and between two steps the window's thread
// has at least 10 ms for everything else.
//
// The destructor stops the thread and waits for it; while it waits, it still
// serves a step that the thread has already asked for, so the two never wait
// on each other. Make and destroy it on the window's thread.

#include "win32/UniqueHandle.h"

#include <windows.h>

namespace kelvara {

class TTimerThread {
public:
    // Starts at once: `message` is sent to `window` for every step.
    TTimerThread(HWND window, UINT message);
    ~TTimerThread();
    TTimerThread(const TTimerThread&) = delete;
    TTimerThread& operator=(const TTimerThread&) = delete;

private:
    static DWORD WINAPI Body(void* self);

    HWND m_window;
    UINT m_message;
    TUniqueHandle m_stop;
    TUniqueHandle m_thread;
};

} // namespace kelvara
