// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileOwner.h"

#include <sys/stat.h>
#include <unistd.h>

namespace kelvara {

bool IsOwnedByUs(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && info.st_uid == ::geteuid();
}

} // namespace kelvara
