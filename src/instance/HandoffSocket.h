// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The socket on which the running copy takes handoff frames, and the sending
// side of one handoff. The socket is named after the instance name in the
// instance runtime folder; both ends accept only a peer of the same user
// (checked by the kernel's peer credentials), so no other user can feed us
// paths and we never hand our paths to another user's process.
//
// The sender needs no event loop and no display: a second copy sends and
// ends without ever starting Qt's GUI.

#include "base/UniqueFd.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace kelvara {

// The path under which both ends bind and reach the socket <folder>/<name>.
// A socket address holds at most 107 bytes of path, and a runtime folder may
// lie deeper than that leaves room for: its socket is then reached through a
// descriptor of the folder that this object holds open, as
// /proc/self/fd/<n>/<name>, the same file under a short name. Keep the
// object for as long as the path is used.
class THandoffSocketPath {
public:
    // Throws std::system_error: ENAMETOOLONG when not even the short form
    // fits, or why the folder cannot be opened.
    THandoffSocketPath(const std::string& folder, std::string_view name);

    const std::string& Path() const { return m_path; }

private:
    TUniqueFd m_folder;
    std::string m_path;
};

// Connects to the socket at `socketPath`, sends `frame` and waits for a
// reply of exactly `replySize` bytes, all before `deadline`, and returns the
// reply. Throws std::system_error: ENOENT or ECONNREFUSED when nobody
// listens, EAGAIN when the listener's queue of connections is full, EPERM for
// a listener of another user, ETIMEDOUT, ECONNRESET when the listener hangs
// up before the whole reply is in.
std::string SendHandoffFrame(const std::string& socketPath, std::string_view frame,
                             std::size_t replySize, std::chrono::steady_clock::time_point deadline);

// The effective user of the process at the other end of a connected Unix
// socket. Throws std::system_error.
unsigned PeerUser(int socket);

} // namespace kelvara
