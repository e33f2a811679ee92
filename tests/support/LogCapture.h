// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's own debug lines (the kelvara.* logging categories) inside a
// test process, switched on and collected while the object lives, so that a
// test waits for the line of the point it needs the code to have passed
// instead of for time. Lines read "<pid> kelvara.module: text": a child
// forked from the test (not exec'd) logs into the same collection, and its
// process id tells its lines apart. One capture at a time.

#include "base/qt/QtLog.h"
#include "support/PipeLines.h"

#include <QtMessageHandler>

namespace kelvara::test {

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    PipeLines& lines() { return m_lines; }
    // Shorthands for lines().waitFor and lines().count.
    bool waitFor(const std::string& text, std::size_t count = 1,
                 std::chrono::milliseconds timeout = std::chrono::minutes(1)) {
        return m_lines.waitFor(text, count, timeout);
    }
    std::size_t count(const std::string& text) const { return m_lines.count(text); }

private:
    PipeLines m_lines;
    QtMessageHandler m_previous;
    // The modules' lines reach Qt's logging, and so the handler, while it lives.
    TQtLogSinkScope m_sink;
};

} // namespace kelvara::test
