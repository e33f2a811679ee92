// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/ShellFolders.h"

#include "base/OwnerOnlyFolder.h"
#include "base/PathName.h"
#include "base/qt/QtLog.h"
#include "desktop/Log.h"
#include "desktop/SpecialFolder.h"

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

} // namespace

std::string GetSpecialFolder(int csidl) {
    const auto folder = FolderOf(csidl);
    if (!folder)
        return {};
    std::string path = SpecialFolderPath(*folder);
    if (path.empty()) {
        LogDebug(lcDesktop) << "special folder" << csidl << ": no home folder";
        return {};
    }
    try {
        MakeOwnerOnlyFolder(path);
    } catch (const std::system_error& error) {
        LogDebug(lcDesktop) << "special folder" << csidl << ":" << error.what();
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
