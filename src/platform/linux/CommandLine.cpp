// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/CommandLine.h"

#include "base/UniqueFd.h"

#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace kelvara {

std::string ExecutablePath() {
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

std::vector<std::string> ProcessArguments() {
    // The kernel's own copy, untouched by any toolkit's option parsing.
    std::string text;
    const TUniqueFd file(::open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC));
    if (file.valid()) {
        char buffer[4096];
        ssize_t count = 0;
        while ((count = ::read(file.get(), buffer, sizeof buffer)) > 0)
            text.append(buffer, static_cast<std::size_t>(count));
    }
    std::vector<std::string> arguments;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\0', start);
        arguments.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    if (arguments.empty())
        arguments.emplace_back();
    arguments[0] = ExecutablePath();
    return arguments;
}

} // namespace kelvara
