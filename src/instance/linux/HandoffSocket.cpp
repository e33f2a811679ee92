// SPDX-License-Identifier: GPL-3.0-or-later
#include "instance/HandoffSocket.h"

#include "base/PathName.h"
#include "base/SystemError.h"
#include "base/UniqueFd.h"
#include "instance/linux/UnixSocketAddress.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kelvara {

namespace {

using TClock = std::chrono::steady_clock;

// Waits until the socket is ready for `events` or the deadline passes.
void WaitFor(int socket, short events, TClock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now());
        if (left.count() <= 0)
            ThrowSystemError(ETIMEDOUT, "handoff: no answer in time");
        pollfd entry{socket, events, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left.count()) + 1);
        if (ready > 0)
            return;
        if (ready < 0 && errno != EINTR)
            ThrowSystemError(errno, "handoff: poll");
    }
}

void SendAll(int socket, std::string_view bytes, TClock::time_point deadline) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        } else if (sent < 0 && errno == EAGAIN) {
            WaitFor(socket, POLLOUT, deadline);
        } else if (sent < 0 && errno != EINTR) {
            ThrowSystemError(errno, "handoff: send");
        }
    }
}

std::string ReceiveReply(int socket, std::size_t size, TClock::time_point deadline) {
    std::string reply(size, '\0');
    std::size_t have = 0;
    while (have < size) {
        const ssize_t got = ::recv(socket, reply.data() + have, size - have, 0);
        if (got > 0)
            have += static_cast<std::size_t>(got);
        else if (got == 0)
            ThrowSystemError(ECONNRESET, "handoff: the running copy hung up");
        else if (errno == EAGAIN)
            WaitFor(socket, POLLIN, deadline);
        else if (errno != EINTR)
            ThrowSystemError(errno, "handoff: receive");
    }
    return reply;
}

} // namespace

std::string HandoffSocketPath(const std::string& folder, std::string_view name) {
    std::string path = PathInFolder(folder, name);
    UnixSocketAddress(path);
    return path;
}

unsigned PeerUser(int socket) {
    ucred credentials{};
    socklen_t size = sizeof(credentials);
    if (::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        ThrowSystemError(errno, "handoff: peer credentials");
    return credentials.uid;
}

std::string SendHandoffFrame(const std::string& socketPath, std::string_view frame,
                             std::size_t replySize, TClock::time_point deadline) {
    const sockaddr_un address = UnixSocketAddress(socketPath);
    TUniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socket.valid())
        ThrowSystemError(errno, "handoff: socket");
    // A Unix-domain connect never waits: it succeeds, or fails at once (with
    // EAGAIN when the listener's queue is full).
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
        ThrowSystemError(errno, "handoff: connect");
    if (PeerUser(socket.get()) != ::geteuid())
        ThrowSystemError(EPERM, "handoff: the listener belongs to another user");
    SendAll(socket.get(), frame, deadline);
    return ReceiveReply(socket.get(), replySize, deadline);
}

} // namespace kelvara
