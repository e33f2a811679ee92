// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/SpecialFolder.h"

#include "base/PathName.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <string_view>
#include <system_error>
#include <unistd.h>

namespace kelvara {

namespace {

// base + "/name..." without doubling the delimiter of a root base.
std::string Join(const std::string& base, const char* tail) {
    return base == "/" ? std::string(tail) : base + tail;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/')
        return WithoutTrailingDelimiter(home);
    // No usable HOME (a bare service environment): the account's own entry.
    if (const passwd* entry = getpwuid(getuid());
        entry != nullptr && entry->pw_dir != nullptr && *entry->pw_dir == '/')
        return WithoutTrailingDelimiter(entry->pw_dir);
    return {};
}

// $variable when it holds an absolute path, else home + fallback.
std::string BaseFolder(const char* variable, const char* fallback) {
    if (const char* value = std::getenv(variable); value != nullptr && *value == '/')
        return WithoutTrailingDelimiter(value);
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : WithoutTrailingDelimiter(Join(home, fallback));
}

// XDG_DESKTOP_DIR from the user-dirs file, read the way xdg-user-dirs writes
// it: XDG_DESKTOP_DIR="$HOME/Desktop" or an absolute path in double quotes,
// with backslash escapes inside. Anything else in the line makes it be
// ignored. Empty when the file holds no usable line.
std::string UserDirsDesktop(const std::string& configHome, const std::string& home) {
    std::ifstream file(Join(configHome, "/user-dirs.dirs"));
    std::string line, result;
    while (std::getline(file, line)) {
        std::string_view rest(line);
        auto skipBlanks = [&rest] {
            while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
                rest.remove_prefix(1);
        };
        skipBlanks();
        constexpr std::string_view key = "XDG_DESKTOP_DIR";
        if (!rest.starts_with(key))
            continue;
        rest.remove_prefix(key.size());
        skipBlanks();
        if (!rest.starts_with('='))
            continue;
        rest.remove_prefix(1);
        skipBlanks();
        if (!rest.starts_with('"'))
            continue;
        rest.remove_prefix(1);
        std::string path;
        constexpr std::string_view homeVariable = "$HOME";
        if (rest.starts_with(homeVariable) &&
            (rest.size() == homeVariable.size() || rest[homeVariable.size()] == '/' ||
             rest[homeVariable.size()] == '"')) {
            if (home.empty())
                continue;
            path = home;
            rest.remove_prefix(homeVariable.size());
        } else if (!rest.starts_with('/')) {
            continue;
        }
        bool closed = false;
        while (!rest.empty()) {
            char c = rest.front();
            rest.remove_prefix(1);
            if (c == '"') {
                closed = true;
                break;
            }
            if (c == '\\' && !rest.empty()) {
                c = rest.front();
                rest.remove_prefix(1);
            }
            path.push_back(c);
        }
        // The last valid line wins, as when the shell sources the file.
        if (closed && !path.empty())
            result = WithoutTrailingDelimiter(path);
    }
    return result;
}

} // namespace

std::string SpecialFolderPath(TSpecialFolder folder) {
    const auto below = [](const std::string& base, const char* tail) {
        return base.empty() ? std::string() : Join(base, tail);
    };
    switch (folder) {
    case TSpecialFolder::Startup:
        return below(BaseFolder("XDG_CONFIG_HOME", "/.config"), "/autostart");
    case TSpecialFolder::SendTo: {
        const std::string scripts =
            below(BaseFolder("XDG_DATA_HOME", "/.local/share"), "/nautilus/scripts");
        std::error_code error;
        if (!scripts.empty() && std::filesystem::is_directory(scripts, error))
            return scripts;
        return SpecialFolderPath(TSpecialFolder::Applications);
    }
    case TSpecialFolder::Desktop: {
        const std::string home = HomeFolder();
        const std::string config = BaseFolder("XDG_CONFIG_HOME", "/.config");
        std::string desktop = config.empty() ? std::string() : UserDirsDesktop(config, home);
        if (desktop.empty() && !home.empty())
            desktop = Join(home, "/Desktop");
        return desktop;
    }
    case TSpecialFolder::Applications:
        return below(BaseFolder("XDG_DATA_HOME", "/.local/share"), "/applications");
    case TSpecialFolder::ConfigHome:
        return BaseFolder("XDG_CONFIG_HOME", "/.config");
    case TSpecialFolder::DataHome:
        return BaseFolder("XDG_DATA_HOME", "/.local/share");
    }
    return {};
}

} // namespace kelvara
