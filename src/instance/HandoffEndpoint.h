// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The running copy's end of the handoff: a listening Unix-domain socket
// served from the main thread's event loop, in place of a hidden window that
// receives WM_COPYDATA.
//
// The endpoint knows nothing of the message format; each connection gets a
// session of its own, which says how many bytes it still wants, is fed them,
// and finally acts on the message and gives the reply. The endpoint promises:
//
// - only peers of our own user are served; any other is dropped on accept;
// - a session is never fed more than it wants, so a peer cannot make us
//   buffer more than the message format allows, nor read past the message;
// - reads never block: a peer that sends slowly or not at all costs only its
//   own connection, which is dropped ConnectionDeadline after its accept, and
//   never holds up the main thread or another peer;
// - Finish runs on the main thread, once, when the session wants no more
//   bytes; an exception from it means "refused": no reply is sent;
// - nothing thrown by the session factory or a session (of any type) goes
//   further than its own peer, which is dropped without a reply;
// - at most MaxConnections peers are served at once; more are dropped on
//   accept (a second copy tries again).
//
// Needs a Qt event loop on the thread that creates it.

#include "base/UniqueFd.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class QObject;
class QSocketNotifier;

namespace kelvara {

class IHandoffSession {
public:
    virtual ~IHandoffSession() = default;
    // Bytes the message can still use; 0 once it is decided either way.
    virtual std::size_t Wanted() const = 0;
    // Called with at most Wanted() bytes.
    virtual void Feed(std::string_view bytes) = 0;
    // Called once Wanted() is 0. Acts on the message and returns the reply
    // (empty for none).
    virtual std::string Finish() = 0;
};

using THandoffSessionFactory = std::function<std::unique_ptr<IHandoffSession>()>;

class THandoffEndpoint {
public:
    static constexpr std::chrono::milliseconds ConnectionDeadline{3000};
    static constexpr std::size_t MaxConnections = 64;

    // Listens on `socketPath`. With `replaceStale`, a file of that name is
    // removed first: pass it only while holding the instance lock, when any
    // such file can only be left over from a copy that crashed. Throws
    // std::system_error when the socket cannot be made (EADDRINUSE when the
    // file is there and may not be replaced).
    THandoffEndpoint(std::string socketPath, bool replaceStale, THandoffSessionFactory sessions);
    // Stops listening, drops every open connection and removes the socket
    // file, unless another has taken its name since.
    ~THandoffEndpoint();
    THandoffEndpoint(const THandoffEndpoint&) = delete;
    THandoffEndpoint& operator=(const THandoffEndpoint&) = delete;

    const std::string& SocketPath() const { return m_path; }

private:
    class TConnection;
    void Accept();

    std::string m_path;
    THandoffSessionFactory m_sessions;
    TUniqueFd m_listener;
    unsigned long m_device = 0;
    unsigned long m_inode = 0;
    std::size_t m_open = 0;
    // Parent of the notifier and of every connection; deleted first.
    std::unique_ptr<QObject> m_root;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace kelvara
