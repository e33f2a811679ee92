// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/LocalTime.h"

#include <ctime>
#include <limits>

namespace kelvara {

std::optional<TCivilTime> LocalTimeAt(std::int64_t unixSeconds) {
    if (unixSeconds < std::numeric_limits<std::time_t>::min() ||
        unixSeconds > std::numeric_limits<std::time_t>::max())
        return std::nullopt;
    // localtime_r, unlike localtime, need not look at the zone setting again
    // (glibc's reads it once): tzset makes a changed setting count.
    ::tzset();
    const auto instant = static_cast<std::time_t>(unixSeconds);
    std::tm local{};
    if (::localtime_r(&instant, &local) == nullptr)
        return std::nullopt;
    return TCivilTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                      local.tm_hour,        local.tm_min,     local.tm_sec};
}

} // namespace kelvara
