// SPDX-License-Identifier: GPL-3.0-or-later
#include "info/DisplayFormat.h"

#include <QLocale>

namespace kelvara {

namespace {

constexpr std::uint64_t KiB = 1024;
constexpr std::uint64_t MiB = KiB * KiB;

// a / b rounded, halves up; a is a magnitude, so up is away from zero.
std::uint64_t RoundedQuotient(std::uint64_t a, std::uint64_t b) {
    return a / b + (a % b >= b - a % b ? 1 : 0);
}

} // namespace

QString FormatByteSize(TByteSizeUnit unit, std::int64_t value) {
    QLocale locale;
    // The C locale leaves groups out by default; the figures are always grouped.
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);

    // Work on the magnitude, which holds even the most negative value.
    const std::uint64_t magnitude = value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value)
                                              : static_cast<std::uint64_t>(value);
    QString text;
    bool zero = false;
    switch (unit) {
    case bsCount:
    case bsBytes:
        text = locale.toString(static_cast<qulonglong>(magnitude));
        zero = magnitude == 0;
        break;
    case bsKiloBytes: {
        const std::uint64_t kilobytes = RoundedQuotient(magnitude, KiB);
        text = locale.toString(static_cast<qulonglong>(kilobytes));
        zero = kilobytes == 0;
        break;
    }
    case bsMegaBytes: {
        // Hundredths of a megabyte, without the overflow of magnitude * 100.
        const std::uint64_t hundredths =
            (magnitude / MiB) * 100 + RoundedQuotient((magnitude % MiB) * 100, MiB);
        text = locale.toString(static_cast<qulonglong>(hundredths / 100)) + locale.decimalPoint() +
               locale.toString(static_cast<int>(hundredths % 100 / 10)) +
               locale.toString(static_cast<int>(hundredths % 10));
        zero = hundredths == 0;
        break;
    }
    }
    if (value < 0 && !zero)
        text.prepend(locale.negativeSign());
    switch (unit) {
    case bsCount:
        return text;
    case bsBytes:
        return text + QStringLiteral(" B");
    case bsKiloBytes:
        return text + QStringLiteral(" KB");
    case bsMegaBytes:
        return text + QStringLiteral(" MB");
    }
    return text;
}

QString FormatDuration(std::int32_t seconds) {
    const std::int32_t secs = seconds % 60;
    const std::int32_t minutesInAll = (seconds - secs) / 60;
    return QString::asprintf("%d:%2.2d:%2.2d", minutesInAll / 60, minutesInAll % 60, secs);
}

} // namespace kelvara
