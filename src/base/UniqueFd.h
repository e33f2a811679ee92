// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Owns one file descriptor and closes it on every way out. Every raw descriptor
// the program opens is held through this from the call that opens it: files
// read whole, folders being searched, the lock file, the handoff sockets and
// their connections, the signal pipe. Its members are named as those of
// std::unique_ptr, which it stands in for.

#include <unistd.h>
#include <utility>

namespace kelvara {

class TUniqueFd {
public:
    TUniqueFd() = default;
    explicit TUniqueFd(int fd) : m_fd(fd) {}
    ~TUniqueFd() { reset(); }
    TUniqueFd(TUniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    TUniqueFd& operator=(TUniqueFd&& other) noexcept {
        if (this != &other)
            reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    TUniqueFd(const TUniqueFd&) = delete;
    TUniqueFd& operator=(const TUniqueFd&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Gives the descriptor up without closing it, for a call that takes it
    // over (fdopendir) or a close whose result matters.
    int release() { return std::exchange(m_fd, -1); }
    void reset(int fd = -1) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd = -1;
};

} // namespace kelvara
