// SPDX-License-Identifier: GPL-3.0-or-later
// Where the history lives on Windows: beside the state file, which the
// Windows edition keeps beside the program (Kelvara.ini), so that a copy of
// the program's folder takes both along.
#include "history/HistoryLocation.h"

#include <algorithm>
#include <cstdlib>

namespace kelvara {

namespace {

// `path` with "/" between its names, as the shared code joins them.
std::string Slashed(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

} // namespace

std::string StateHomeFolder() {
    // The user's own application data on this machine, where one is set.
    const char* local = std::getenv("LOCALAPPDATA");
    return local != nullptr && local[0] != '\0' ? Slashed(local) : std::string();
}

std::string HistoryFileFor(const std::string& executablePath, const std::string& stateFile) {
    std::string folder = FolderOf(Slashed(stateFile));
    if (folder.empty())
        folder = FolderOf(Slashed(executablePath));
    return folder.empty() ? std::string() : folder + '/' + HistoryFileName;
}

} // namespace kelvara
