// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The shared modules' log lines (base/Logging.h) in the Windows edition: each
// line goes to the debug log (win32/DebugLog.h) as "<category>: <text>", as
// the Linux edition prints them, every category and level at once when
// KELVARA_DEBUG=1 asks for the log, none otherwise.

#include "base/Logging.h"

namespace kelvara {

class TDebugLogSink final : public ILogSink {
public:
    // Whether the log is wanted is read once, here.
    TDebugLogSink();

    bool IsEnabled(const TLogCategory& category, TLogLevel level) noexcept override;
    void Write(const TLogCategory& category, TLogLevel level,
               std::string_view text) noexcept override;

private:
    bool m_wanted;
};

// The sink for the process, installed while the object lives.
class TDebugLogSinkScope {
public:
    TDebugLogSinkScope() : m_scope(m_sink) {}

private:
    TDebugLogSink m_sink;
    TLogSinkScope m_scope;
};

} // namespace kelvara
