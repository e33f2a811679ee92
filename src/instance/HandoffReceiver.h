// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The running copy's side of the handoff: listens on the handoff socket and
// passes every whole, valid message to the target. A message is acted on only
// when it arrived whole with our magic and its comma text reads cleanly;
// anything else is dropped without a reply, so nothing is queued that was not
// sent whole. The sender gets its acknowledgement only after every path has
// gone to the target.

#include "instance/HandoffFrame.h"
#include "instance/HandoffTarget.h"

#include <memory>

namespace kelvara {

class TInstanceLock;
class THandoffEndpoint;
class THandoffSocketPath;

// Acts on one frame: reads its comma text (throws TCommaTextError for text no
// sender writes, before anything is done), activates the target, then queues
// its items together, in order.
void HandleHandoffFrame(const THandoffFrame& frame, IHandoffTarget& target);

class THandoffReceiver {
public:
    // Listens on the socket named by the lock's name in the lock's folder,
    // replacing a stale socket file only while the lock is really held.
    // Throws std::system_error when the socket cannot be made (then there is
    // simply no handoff: the copy still works on its own), and
    // std::runtime_error, with the lock's reason, when it has no folder.
    THandoffReceiver(const TInstanceLock& lock, IHandoffTarget& target);
    ~THandoffReceiver();
    THandoffReceiver(const THandoffReceiver&) = delete;
    THandoffReceiver& operator=(const THandoffReceiver&) = delete;

private:
    IHandoffTarget& m_target;
    // Holds the folder that a long socket path is reached through; it goes
    // after the endpoint, which removes the socket file by that path.
    std::unique_ptr<THandoffSocketPath> m_socketPath;
    std::unique_ptr<THandoffEndpoint> m_endpoint;
};

} // namespace kelvara
