// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/linux/SendTo.h"

#include "base/OwnerOnlyFolder.h"
#include "base/PathName.h"
#include "base/SystemError.h"
#include "desktop/Installation.h"
#include "desktop/Log.h"
#include "desktop/SpecialFolder.h"
#include "desktop/linux/DesktopEntry.h"
#include "desktop/linux/SendToActions.h"
#include "platform/AtomicFile.h"

#include <cerrno>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <vector>

namespace kelvara {

namespace {

std::string Below(TSpecialFolder base, const char* tail) {
    const std::string folder = SpecialFolderPath(base);
    return folder.empty() ? std::string() : PathInFolder(folder, tail);
}

// The applications entry takes the installed menu entry's name when the
// program runs installed, so that it stands in for that entry and the menu
// shows the program once.
std::string ApplicationsEntryName(const TShellLink& link, const std::string& linkName) {
    return (IsInstalledExecutable(link.Path) ? ApplicationId() : linkName) + ".desktop";
}

std::string ApplicationsEntryText(const TShellLink& link, const std::string& linkName) {
    TDesktopEntry entry;
    const bool installed = IsInstalledExecutable(link.Path);
    entry.name = installed ? ApplicationName() : linkName;
    if (installed)
        entry.localizedNames = {{"ja", ApplicationNameJapanese()}};
    entry.icon = ApplicationId();
    entry.exec.push_back(link.Path);
    if (!link.Arguments.empty())
        entry.exec.push_back(link.Arguments);
    entry.execTakesFiles = true;
    entry.path = link.WorkingDirectory;
    // Listed in the menu, it says what the program does and belongs with the
    // photo programs.
    entry.comment = ApplicationSummary();
    // In the user's language too: installed, this entry hides the menu
    // entry, which says it in Japanese on a Japanese desktop.
    entry.localizedComments = {{"ja", ApplicationSummaryJapanese()}};
    entry.categories = {"Graphics", "Photography"};
    // Qt names the window class after the executable, whose name the link
    // bears.
    entry.startupWmClass = linkName;
    return DesktopEntryText(entry);
}

// One file of the Send To set: its folder (created, owner-only, when
// missing), its name and mode, and how its text is made.
struct TSendToFile {
    std::string folder;
    std::string name;
    mode_t mode;
    std::function<std::string()> text;
};

std::vector<TSendToFile> Plan(const TShellLink& link, const std::string& linkName) {
    const std::string icon = ApplicationId();
    const auto script = [link] { return FileManagerScriptText(link); };
    return {
        {Below(TSpecialFolder::DataHome, "nautilus/scripts"), linkName, 0755, script},
        {Below(TSpecialFolder::DataHome, "kio/servicemenus"), linkName + ".desktop", 0755,
         [link, linkName, icon] { return ServiceMenuText(link, linkName, icon); }},
        {Below(TSpecialFolder::DataHome, "nemo/actions"), linkName + ".nemo_action", 0644,
         [link, linkName, icon] { return NemoActionText(link, linkName, icon); }},
        {Below(TSpecialFolder::ConfigHome, "caja/scripts"), linkName, 0755, script},
        {SpecialFolderPath(TSpecialFolder::Applications), ApplicationsEntryName(link, linkName),
         0644, [link, linkName] { return ApplicationsEntryText(link, linkName); }},
    };
}

} // namespace

void SaveSendTo(const TShellLink& link, const std::string& linkName) {
    std::error_code firstError;
    std::vector<std::string> failed;
    for (const TSendToFile& file : Plan(link, linkName)) {
        const std::string path =
            file.folder.empty() ? file.name : PathInFolder(file.folder, file.name);
        try {
            if (file.folder.empty())
                ThrowSystemError(ENOENT, "no home folder");
            const std::string text = file.text();
            MakeOwnerOnlyFolder(file.folder);
            WriteFileAtomically(file.folder, file.name, text, file.mode);
            LogDebug(lcDesktop) << "Send To: wrote" << path.c_str();
        } catch (const std::system_error& error) {
            if (!firstError)
                firstError = error.code();
            failed.push_back(path);
            LogDebug(lcDesktop) << "Send To: could not write" << path.c_str() << error.what();
        }
    }
    if (firstError)
        throw TShortcutError(firstError, std::move(failed));
}

} // namespace kelvara
