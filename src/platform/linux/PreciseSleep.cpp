// SPDX-License-Identifier: GPL-3.0-or-later
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
        LogDebug(lcPlatform) << "timer slack kept:" << std::strerror(error);
    }
}

namespace {

// The timer wakes a sleeping thread tens of microseconds after its deadline
// on a busy or virtual machine (50 to 80 here, bench/pacing_bench); a run
// would pay that once per photo. So the sleep ends this much early and the
// rest is waited out on the clock: at most this long, and only while a run
// goes (1 % of a core at 100 steps a second), never while the program idles.
constexpr auto WakeUpMargin = std::chrono::microseconds(100);

void SleepOnTimer(std::chrono::steady_clock::time_point until) {
    // An absolute deadline: a sleep interrupted by a signal resumes to the
    // same moment instead of starting its whole length again, and the time
    // the caller spent before sleeping is not added to it. libstdc++'s
    // steady_clock is CLOCK_MONOTONIC.
    const auto since = until.time_since_epoch();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
    timespec deadline{};
    deadline.tv_sec = static_cast<time_t>(seconds.count());
    deadline.tv_nsec = static_cast<long>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds).count());
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
}

} // namespace

void SleepUntil(std::chrono::steady_clock::time_point deadline) {
    const auto wake = deadline - WakeUpMargin;
    if (std::chrono::steady_clock::now() < wake)
        SleepOnTimer(wake);
    while (std::chrono::steady_clock::now() < deadline) {
    }
}

} // namespace kelvara
