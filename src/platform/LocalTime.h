// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// This machine's wall clock at a given instant: the time zone the user has
// set, with its daylight saving rules as they stood at that instant.

#include <cstdint>
#include <optional>

namespace kelvara {

struct TCivilTime {
    int year = 0;
    int month = 0; // 1-12
    int day = 0;   // 1-31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The local wall-clock time at `unixSeconds` (seconds since 1970-01-01 00:00
// UTC, earlier instants negative); nullopt where the system cannot tell (an
// instant beyond its calendar). A change of the time zone setting (the TZ
// variable, the system's zone file) counts from the next call. Any thread may
// call it.
std::optional<TCivilTime> LocalTimeAt(std::int64_t unixSeconds);

} // namespace kelvara
