#include "info/Shortcut.h"

#include "platform/ShellLink.h"

namespace kelvara {

std::string ShortcutWorkingFolder(const std::string& TargetPath) {
    const auto slash = TargetPath.find_last_of('/');
    if (slash == std::string::npos)
        return {};
    std::string folder = TargetPath.substr(0, slash);
    while (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    return folder.empty() ? std::string("/") : folder;
}

void CreateShortcut(const std::string& TargetPath, const std::string& FolderPath,
                    const std::string& LinkName) {
    const TShellLink link{TargetPath, ShortcutArguments, ShortcutWorkingFolder(TargetPath)};
    SaveShellLink(link, FolderPath, LinkName);
}

} // namespace kelvara
