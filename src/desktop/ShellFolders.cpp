// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/ShellFolders.h"

#include "base/PathName.h"
#include "desktop/Log.h"
#include "desktop/SpecialFolder.h"

#include <filesystem>
#include <optional>
#include <system_error>

namespace kelvara {

namespace {

std::optional<TSpecialFolder> FolderOf(int csidl) {
    switch (csidl) {
    case CSIDL_STARTUP:
        return TSpecialFolder::Startup;
    case CSIDL_SENDTO:
        return TSpecialFolder::SendTo;
    case CSIDL_DESKTOP:
        return TSpecialFolder::Desktop;
    default:
        return std::nullopt;
    }
}

// Creates `folder` and its missing parents, each new one owner-only.
bool EnsureFolder(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::is_directory(folder, error))
        return true;
    if (folder.has_parent_path() && folder.parent_path() != folder &&
        !EnsureFolder(folder.parent_path()))
        return false;
    if (!fs::create_directory(folder, error))
        return fs::is_directory(folder, error); // made meanwhile by someone else
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, error);
    return true;
}

} // namespace

std::string GetSpecialFolder(int csidl) {
    const auto folder = FolderOf(csidl);
    if (!folder)
        return {};
    std::string path = SpecialFolderPath(*folder);
    if (path.empty()) {
        qCDebug(lcDesktop) << "special folder" << csidl << ": no home folder";
        return {};
    }
    if (!EnsureFolder(path)) {
        qCDebug(lcDesktop) << "special folder" << csidl << ": cannot create" << DecodedPath(path);
        return {};
    }
    return path;
}

std::string GetStartupFolder() {
    return GetSpecialFolder(CSIDL_STARTUP);
}
std::string GetSendToFolder() {
    return GetSpecialFolder(CSIDL_SENDTO);
}
std::string GetDesktopFolder() {
    return GetSpecialFolder(CSIDL_DESKTOP);
}

} // namespace kelvara
