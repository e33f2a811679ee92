// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/DebugLogSink.h"

#include "win32/DebugLog.h"

#include <string>

namespace kelvara {

TDebugLogSink::TDebugLogSink() : m_wanted(DebugLogWanted()) {}

bool TDebugLogSink::IsEnabled(const TLogCategory&, TLogLevel) noexcept {
    return m_wanted;
}

void TDebugLogSink::Write(const TLogCategory& category, TLogLevel, std::string_view text) noexcept {
    try {
        // One write per line: the lines of several threads stay whole.
        DebugLine(std::string(category.Name()) + ": " + std::string(text));
    } catch (...) {
        // No memory for the line: it is dropped, the program goes on.
    }
}

} // namespace kelvara
