// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/HistoryLocation.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace kelvara {

namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/')
        return home;
    // As the other base folders do when HOME is unset: the account's own.
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(static_cast<std::size_t>(size > 0 ? size : 16384));
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/')
        return found->pw_dir;
    return {};
}

} // namespace

std::string StateHomeFolder() {
    // A relative or empty value is ignored, as the base-directory rules ask.
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/')
        return state;
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/.local/state";
}

std::string HistoryFileFor(const std::string& executablePath, const std::string& stateFile) {
    const std::string besideProgram = FolderOf(executablePath);
    if (!besideProgram.empty() && FolderOf(stateFile) == besideProgram)
        return besideProgram + '/' + HistoryFileName;
    const std::string state = StateHomeFolder();
    return state.empty() ? std::string() : state + "/kelvara/" + HistoryFileName;
}

} // namespace kelvara
