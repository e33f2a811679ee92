// SPDX-License-Identifier: GPL-3.0-or-later
// Local civil time on Windows, by the system's time-zone rules for that
// moment (the C runtime's, which follow them).
#include "platform/LocalTime.h"

#include <ctime>

namespace kelvara {

std::optional<TCivilTime> LocalTimeAt(std::int64_t unixSeconds) {
    const auto seconds = static_cast<__time64_t>(unixSeconds);
    std::tm local{};
    if (_localtime64_s(&local, &seconds) != 0)
        return std::nullopt;
    return TCivilTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                      local.tm_hour,        local.tm_min,     local.tm_sec};
}

} // namespace kelvara
