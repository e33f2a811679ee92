// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Times as the history stores them: milliseconds since the epoch, which
// sqlite3 shows with datetime(x / 1000, 'unixepoch').

#include "history/HistoryTypes.h"

namespace kelvara {

inline std::int64_t ToMilliseconds(THistoryClock::time_point time) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
}

inline THistoryClock::time_point FromMilliseconds(std::int64_t milliseconds) {
    return THistoryClock::time_point(std::chrono::duration_cast<THistoryClock::duration>(
        std::chrono::milliseconds(milliseconds)));
}

} // namespace kelvara
