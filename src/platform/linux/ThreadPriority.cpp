// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ThreadPriority.h"

#include "platform/Log.h"

#include <cerrno>
#include <cstring>
#include <sys/resource.h>
#include <unistd.h>

namespace kelvara {

void YieldToOtherThreads() {
    // On Linux the nice value belongs to the thread (PRIO_PROCESS with a
    // thread id); raising it needs no privilege.
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10) != 0) {
        const int error = errno;
        LogDebug(lcPlatform) << "thread priority kept:" << std::strerror(error);
    }
}

} // namespace kelvara
