// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The address of a Unix-domain socket at a path, as both ends of the handoff
// bind and connect to it.

#include <string>
#include <sys/un.h>

namespace kelvara {

// Throws std::system_error (ENAMETOOLONG) when the path does not fit in the
// address with its NUL.
sockaddr_un UnixSocketAddress(const std::string& path);

} // namespace kelvara
