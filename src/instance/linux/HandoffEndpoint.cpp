// SPDX-License-Identifier: GPL-3.0-or-later
#include "instance/HandoffEndpoint.h"

#include "base/Contained.h"
#include "base/SystemError.h"
#include "instance/HandoffSocket.h"
#include "instance/Log.h"
#include "instance/linux/UnixSocketAddress.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace kelvara {

// One accepted peer: reads what its session wants as it arrives, then lets
// the session act and sends the reply. Closes itself when done, when the peer
// hangs up or errs, and at its deadline; the object goes with deleteLater, as
// it may be closing from inside its own notifier's signal.
class THandoffEndpoint::TConnection : public QObject {
public:
    TConnection(TUniqueFd socket, std::unique_ptr<IHandoffSession> session, std::size_t& open,
                QObject* parent)
        : QObject(parent), m_socket(std::move(socket)), m_session(std::move(session)),
          m_open(open) {
        ++m_open;
        m_notifier = new QSocketNotifier(m_socket.get(), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            // Whatever the session throws as it is fed, the peer is dropped
            // without a reply, and the endpoint serves on.
            if (!Contained(lcInstance, "handoff: peer dropped", [this] { OnReadable(); }))
                Close();
        });
        auto* deadline = new QTimer(this);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, this, [this] {
            if (m_socket.valid())
                LogDebug(lcInstance) << "handoff: peer dropped at its deadline";
            Close();
        });
        deadline->start(ConnectionDeadline);
    }
    ~TConnection() override {
        if (m_socket.valid())
            --m_open;
    }
    TConnection(const TConnection&) = delete;
    TConnection& operator=(const TConnection&) = delete;

private:
    void OnReadable() {
        char buffer[16384];
        while (m_socket.valid()) {
            const std::size_t wanted = std::min(sizeof(buffer), m_session->Wanted());
            if (wanted == 0) {
                Finish();
                return;
            }
            const ssize_t got = ::recv(m_socket.get(), buffer, wanted, MSG_DONTWAIT);
            if (got > 0) {
                m_session->Feed(std::string_view(buffer, static_cast<std::size_t>(got)));
            } else if (got < 0 && errno == EINTR) {
                continue;
            } else if (got < 0 && errno == EAGAIN) {
                return;
            } else {
                // The peer hung up (or failed) before its message was whole.
                LogDebug(lcInstance) << "handoff: peer gone before its message was whole";
                Close();
            }
        }
    }

    void Finish() {
        std::string reply;
        if (!Contained(lcInstance, "handoff: message refused",
                       [&] { reply = m_session->Finish(); }))
            reply.clear();
        // The peer waits for these few bytes with an empty queue, so they go
        // at once; if not, the peer has gone and there is no one to tell.
        if (!reply.empty())
            ::send(m_socket.get(), reply.data(), reply.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        Close();
    }

    void Close() {
        if (!m_socket.valid())
            return;
        m_notifier->setEnabled(false);
        m_socket.reset();
        --m_open;
        deleteLater();
    }

    TUniqueFd m_socket;
    std::unique_ptr<IHandoffSession> m_session;
    std::size_t& m_open;
    QSocketNotifier* m_notifier = nullptr;
};

THandoffEndpoint::THandoffEndpoint(std::string socketPath, bool replaceStale,
                                   THandoffSessionFactory sessions)
    : m_path(std::move(socketPath)), m_sessions(std::move(sessions)),
      m_root(std::make_unique<QObject>()) {
    const sockaddr_un address = UnixSocketAddress(m_path);

    m_listener.reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!m_listener.valid())
        ThrowSystemError(errno, "handoff: socket");
    if (replaceStale && ::unlink(m_path.c_str()) != 0 && errno != ENOENT)
        ThrowSystemError(errno, "handoff: cannot remove the old socket " + m_path);
    if (::bind(m_listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
        ThrowSystemError(errno, "handoff: cannot listen on " + m_path);
    // Remember which file is ours, so that we remove only that one.
    struct stat info {};
    if (::stat(m_path.c_str(), &info) == 0) {
        m_device = info.st_dev;
        m_inode = info.st_ino;
    }
    ::chmod(m_path.c_str(), 0600);
    if (::listen(m_listener.get(), SOMAXCONN) != 0) {
        const int error = errno;
        ::unlink(m_path.c_str());
        ThrowSystemError(error, "handoff: listen");
    }

    m_notifier = new QSocketNotifier(m_listener.get(), QSocketNotifier::Read, m_root.get());
    QObject::connect(m_notifier, &QSocketNotifier::activated, m_root.get(), [this] { Accept(); });
}

THandoffEndpoint::~THandoffEndpoint() {
    m_root.reset();
    struct stat info {};
    if (::stat(m_path.c_str(), &info) == 0 && info.st_dev == m_device && info.st_ino == m_inode)
        ::unlink(m_path.c_str());
}

void THandoffEndpoint::Accept() {
    for (;;) {
        TUniqueFd peer(::accept4(m_listener.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!peer.valid()) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EMFILE || errno == ENFILE) {
                LogDebug(lcInstance) << "handoff: out of descriptors; accepting again shortly";
                // The waiting peer stays queued and would wake us again at
                // once; give the open connections a moment to close.
                m_notifier->setEnabled(false);
                QTimer::singleShot(100, m_root.get(), [this] { m_notifier->setEnabled(true); });
            }
            return;
        }
        // Whatever fails on a peer's way in drops that peer alone.
        Contained(lcInstance, "handoff: peer dropped", [&] {
            if (PeerUser(peer.get()) != ::geteuid()) {
                LogDebug(lcInstance) << "handoff: peer of another user dropped";
                return;
            }
            if (m_open >= MaxConnections) {
                LogDebug(lcInstance) << "handoff: peer dropped, already serving" << m_open;
                return;
            }
            std::unique_ptr<IHandoffSession> session = m_sessions();
            new TConnection(std::move(peer), std::move(session), m_open, m_root.get());
        });
    }
}

} // namespace kelvara
