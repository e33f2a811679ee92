// SPDX-License-Identifier: GPL-3.0-or-later
#include "instance/linux/UnixSocketAddress.h"

#include "base/SystemError.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>

namespace kelvara {

sockaddr_un UnixSocketAddress(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path))
        ThrowSystemError(ENAMETOOLONG, "handoff socket path too long: " + path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

} // namespace kelvara
