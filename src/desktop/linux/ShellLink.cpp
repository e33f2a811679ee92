// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/ShellLink.h"

#include "base/PathName.h"
#include "base/SystemError.h"
#include "desktop/Installation.h"
#include "desktop/SpecialFolder.h"
#include "desktop/linux/DesktopEntry.h"
#include "desktop/linux/SendTo.h"
#include "platform/AtomicFile.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

namespace kelvara {

namespace {

// Same folder by text, or by identity where both exist (a symlinked home).
bool IsSameFolder(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    if (a.empty() || b.empty())
        return false;
    if (fs::path(WithoutTrailingDelimiter(a)).lexically_normal() ==
        fs::path(WithoutTrailingDelimiter(b)).lexically_normal())
        return true;
    std::error_code error;
    return fs::equivalent(a, b, error) && !error;
}

// Either folder that SpecialFolderPath(SendTo) may give.
bool IsSendToFolder(const std::string& folder) {
    const std::string data = SpecialFolderPath(TSpecialFolder::DataHome);
    return IsSameFolder(folder, SpecialFolderPath(TSpecialFolder::Applications)) ||
           (!data.empty() && IsSameFolder(folder, PathInFolder(data, "nautilus/scripts")));
}

// A plain shortcut: one desktop entry in `folder`.
void SaveEntry(const TShellLink& link, const std::string& folder, const std::string& linkName) {
    TDesktopEntry entry;
    entry.name = linkName;
    entry.icon = ApplicationId();
    entry.exec.push_back(link.Path);
    if (!link.Arguments.empty())
        entry.exec.push_back(link.Arguments);
    entry.path = link.WorkingDirectory;
    // Desktops run an entry from the desktop folder only when it is
    // executable.
    const mode_t mode =
        IsSameFolder(folder, SpecialFolderPath(TSpecialFolder::Desktop)) ? 0755 : 0644;
    WriteFileAtomically(folder, linkName + ".desktop", DesktopEntryText(entry), mode);
}

} // namespace

std::string ShellLinkFileName(const std::string& folder, const std::string& linkName) {
    return PathInFolder(folder, linkName + ".desktop");
}

void SaveShellLink(const TShellLink& link, const std::string& folder, const std::string& linkName) {
    if (folder.empty())
        throw TShortcutError(std::error_code(ENOENT, std::generic_category()),
                             {linkName + ".desktop"});
    if (IsSendToFolder(folder)) {
        SaveSendTo(link, linkName);
        return;
    }
    try {
        SaveEntry(link, folder, linkName);
    } catch (const std::system_error& error) {
        throw TShortcutError(error.code(), {ShellLinkFileName(folder, linkName)});
    }
}

} // namespace kelvara
