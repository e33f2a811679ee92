// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ThreadPriority.h"

#include <windows.h>

namespace kelvara {

void YieldToOtherThreads() {
    // One step below normal: the window's thread and the pacing thread go
    // first. A refusal keeps the priority, as the contract says.
    (void)SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
}

} // namespace kelvara
