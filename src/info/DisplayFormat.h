// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Figures as the information window shows them.

#include <QString>
#include <cstdint>

namespace kelvara {

// The unit FormatByteSize shows a figure in; the caller picks it, there are
// no thresholds.
enum TByteSizeUnit { bsCount = 0, bsBytes = 1, bsKiloBytes = 2, bsMegaBytes = 3 };

// `value` (bytes, or a plain count for bsCount) in the unit, digits grouped
// in threes with the user locale's (QLocale()) group separator, halves
// rounded away from zero: "1,234,567", "0 B", "2 KB" (1536 bytes),
// "1.50 MB" (two decimals, the locale's decimal separator). Exact for every
// 64-bit value; a figure that rounds to zero carries no minus sign.
QString FormatByteSize(TByteSizeUnit unit, std::int64_t value);

// Whole seconds as "h:mm:ss", hours without a bound at 24 ("25:01:01").
// Parts are truncated toward zero, so a negative span shows each part
// negative ("-1:-02:-05").
QString FormatDuration(std::int32_t seconds);

} // namespace kelvara
