// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OSVersion.h"

#include "platform/Log.h"
#include "platform/linux/OsRelease.h"

#include <fstream>
#include <sstream>
#include <sys/utsname.h>

namespace kelvara {

namespace {

// os-release lives in /etc, or in /usr/lib on systems that keep /etc bare.
std::string ReadOsRelease() {
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            continue;
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    return {};
}

} // namespace

std::string NativeOSDescription() {
    try {
        utsname names{};
        std::string release;
        std::string machine;
        if (uname(&names) == 0) {
            release = names.release;
            machine = names.machine;
        }
        return DescribeLinux(ReadOsRelease(), release, machine);
    } catch (...) {
        // Only memory can run out here; the name alone still describes it.
        LogDebug(lcPlatform) << "OS description failed; the name alone stands";
        return "Linux";
    }
}

std::string GetOSVersionText() {
    return NativeOSDescription();
}

} // namespace kelvara
