// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sleeps that end when they are meant to, for the pacing thread: its pause
// between two rename steps is a minimum, and every microsecond it oversleeps
// is lost to the rate of a whole run.

#include <chrono>

namespace kelvara {

// Asks the system to end the calling thread's sleeps as close to their
// deadline as it can. (Linux lets a sleeping thread's timer fire up to
// 50 microseconds late by default, to gather wake-ups.)
void RequestPreciseSleeps();

// Sleeps until `deadline` on the clock of std::chrono::steady_clock (the
// monotonic clock), to the end however often a signal interrupts it; at
// once when the deadline has passed. Returns no sooner than `deadline`, and
// as soon after it as the system allows: the last 100 microseconds are
// waited out awake, since a sleeping thread's timer fires late by about
// that much.
void SleepUntil(std::chrono::steady_clock::time_point deadline);

} // namespace kelvara
