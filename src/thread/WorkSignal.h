// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a thread that paces work learns whether there is any: it sleeps in
// WaitForWork while there is none, so that an idle program does not wake at
// all. Whoever asks that thread to stop makes the stop visible to `stop` and
// then calls WakeWaiters.

#include <functional>

namespace kelvara {

class IWorkSignal {
public:
    virtual ~IWorkSignal() = default;
    // True while there is work.
    virtual bool HasWork() = 0;
    // Blocks while there is no work, until some arrives or `stop()` holds.
    virtual void WaitForWork(const std::function<bool()>& stop) = 0;
    // Makes every waiting WaitForWork test its `stop` again.
    virtual void WakeWaiters() = 0;
};

} // namespace kelvara
