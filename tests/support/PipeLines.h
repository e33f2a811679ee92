// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Waiting for what a process says instead of for time: the lines written to
// a pipe, collected as they come by a thread of their own (so that a writer
// never blocks on a full pipe, however many lines it writes and whatever the
// test does meanwhile), with waits that end as soon as the awaited line is
// there.
//
// Both ends are close-on-exec: a child started with exec gets the writing
// end only where it is put on purpose (dup2 onto its standard error); a
// forked child keeps it and may write too.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kelvara::test {

class PipeLines {
public:
    // With `echoForeign`, a line that is none of the program's own debug
    // lines (they start with "kelvara.") is also copied to our standard
    // error as it comes: a sanitizer's report or a fatal message must not
    // vanish into the collection.
    explicit PipeLines(bool echoForeign = false);
    // Stops the reader, even while some writer still holds the pipe.
    ~PipeLines();
    PipeLines(const PipeLines&) = delete;
    PipeLines& operator=(const PipeLines&) = delete;

    int writeEnd() const { return m_write; }
    // Our own copy of the writing end; close it once the writers have
    // theirs, so that the end of the last writer is seen.
    void closeWriteEnd();

    // Waits until at least `count` lines containing `text` have come; false
    // when the time is up or every writer has gone before.
    bool waitFor(const std::string& text, std::size_t count = 1,
                 std::chrono::milliseconds timeout = std::chrono::minutes(1));
    // The same for lines that `match` accepts.
    bool waitFor(const std::function<bool(const std::string&)>& match, std::size_t count = 1,
                 std::chrono::milliseconds timeout = std::chrono::minutes(1));
    // Waits until every writer has closed the pipe (a process has ended).
    bool waitForEnd(std::chrono::milliseconds timeout = std::chrono::minutes(1));

    // How many lines so far contain `text`.
    std::size_t count(const std::string& text) const;
    std::vector<std::string> lines() const;
    // The last `n` lines, one a line, for a failure message.
    std::string tail(std::size_t n = 20) const;

private:
    void readLines();
    std::size_t countLocked(const std::string& text) const;

    bool m_echoForeign;
    int m_read = -1;
    int m_write = -1;
    int m_stop = -1; // an eventfd that wakes the reader for good
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_lines; // under m_mutex
    bool m_ended = false;             // under m_mutex
    std::thread m_reader;
};

} // namespace kelvara::test
