#include "platform/PreciseSleep.h"

#include "platform/Log.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <sys/prctl.h>

namespace kelvara {

static_assert(std::chrono::steady_clock::is_steady);

void RequestPreciseSleeps() {
    // One nanosecond is the least slack there is (0 would restore the
    // default). Costs nothing while the thread does not sleep.
    if (prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) != 0) {
        const int error = errno;
        qCDebug(lcPlatform) << "timer slack kept:" << std::strerror(error);
    }
}

void SleepUntil(std::chrono::steady_clock::time_point deadline) {
    // An absolute deadline: a sleep interrupted by a signal resumes to the
    // same moment instead of starting its whole length again, and the time
    // the caller spent before sleeping is not added to it. libstdc++'s
    // steady_clock is CLOCK_MONOTONIC.
    const auto since = deadline.time_since_epoch();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
    timespec until{};
    until.tv_sec = static_cast<time_t>(seconds.count());
    until.tv_nsec = static_cast<long>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds).count());
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

} // namespace kelvara
