// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FullPath.h"

#include <filesystem>
#include <system_error>

namespace kelvara {

std::string FullPathName(const std::string& path) {
    if (path.empty())
        return {};
    std::filesystem::path full(path);
    if (full.is_relative()) {
        std::error_code error;
        const std::filesystem::path current = std::filesystem::current_path(error);
        if (error)
            return {};
        full = current / full;
    }
    return full.lexically_normal().string();
}

} // namespace kelvara
