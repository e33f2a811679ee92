// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/CommandLine.h"

#include <filesystem>

namespace kelvara {

std::string ExecutablePath() {
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

std::vector<std::string> ProcessArguments(int argc, const char* const* argv) {
    std::vector<std::string> arguments;
    arguments.emplace_back(ExecutablePath());
    for (int i = 1; i < argc && argv != nullptr && argv[i] != nullptr; ++i)
        arguments.emplace_back(argv[i]);
    return arguments;
}

} // namespace kelvara
