// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/PipeLines.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <unistd.h>

namespace kelvara::test {

PipeLines::PipeLines(bool echoForeign) : m_echoForeign(echoForeign) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe2 failed");
    m_read = fds[0];
    m_write = fds[1];
    m_stop = ::eventfd(0, EFD_CLOEXEC);
    if (m_stop < 0)
        throw std::runtime_error("eventfd failed");
    m_reader = std::thread([this] { readLines(); });
}

PipeLines::~PipeLines() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_stop, &one, sizeof(one));
    m_reader.join();
    closeWriteEnd();
    ::close(m_read);
    ::close(m_stop);
}

void PipeLines::closeWriteEnd() {
    if (m_write >= 0) {
        ::close(m_write);
        m_write = -1;
    }
}

void PipeLines::readLines() {
    std::string partial;
    char buffer[65536];
    for (;;) {
        pollfd fds[2] = {{m_read, POLLIN, 0}, {m_stop, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents != 0)
            break;
        const ssize_t got = ::read(m_read, buffer, sizeof(buffer));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        partial.append(buffer, static_cast<std::size_t>(got));
        std::vector<std::string> complete;
        for (std::size_t end; (end = partial.find('\n')) != std::string::npos;) {
            complete.push_back(partial.substr(0, end));
            partial.erase(0, end + 1);
        }
        if (complete.empty())
            continue;
        if (m_echoForeign)
            for (const std::string& line : complete)
                if (line.rfind("kelvara.", 0) != 0)
                    std::fprintf(stderr, "%s\n", line.c_str());
        std::lock_guard guard(m_mutex);
        m_lines.insert(m_lines.end(), complete.begin(), complete.end());
        m_changed.notify_all();
    }
    std::lock_guard guard(m_mutex);
    if (!partial.empty())
        m_lines.push_back(partial);
    m_ended = true;
    m_changed.notify_all();
}

std::size_t PipeLines::countLocked(const std::string& text) const {
    return static_cast<std::size_t>(
        std::count_if(m_lines.begin(), m_lines.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        }));
}

bool PipeLines::waitFor(const std::string& text, std::size_t count,
                        std::chrono::milliseconds timeout) {
    return waitFor([&](const std::string& line) { return line.find(text) != std::string::npos; },
                   count, timeout);
}

bool PipeLines::waitFor(const std::function<bool(const std::string&)>& match, std::size_t count,
                        std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    // Each wake looks at the new lines only: a program may write thousands.
    std::size_t seen = 0, found = 0;
    const auto arrived = [&] {
        for (; seen < m_lines.size(); ++seen)
            found += match(m_lines[seen]) ? 1 : 0;
        return found >= count;
    };
    m_changed.wait_for(lock, timeout, [&] { return arrived() || m_ended; });
    return arrived();
}

bool PipeLines::waitForEnd(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_ended; });
}

std::size_t PipeLines::count(const std::string& text) const {
    std::lock_guard guard(m_mutex);
    return countLocked(text);
}

std::vector<std::string> PipeLines::lines() const {
    std::lock_guard guard(m_mutex);
    return m_lines;
}

std::string PipeLines::tail(std::size_t n) const {
    std::lock_guard guard(m_mutex);
    std::string text;
    for (std::size_t i = m_lines.size() > n ? m_lines.size() - n : 0; i < m_lines.size(); ++i)
        text += m_lines[i] + "\n";
    return text;
}

} // namespace kelvara::test
