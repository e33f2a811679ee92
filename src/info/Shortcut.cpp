#include "info/Shortcut.h"

#include "platform/PathName.h"
#include "platform/ShellLink.h"

namespace kelvara {

std::string ShortcutWorkingFolder(const std::string& targetPath) {
    const auto slash = targetPath.find_last_of('/');
    if (slash == std::string::npos)
        return {};
    const std::string folder = WithoutTrailingDelimiter(targetPath.substr(0, slash));
    return folder.empty() ? std::string("/") : folder;
}

void CreateShortcut(const std::string& targetPath, const std::string& folderPath,
                    const std::string& linkName) {
    const TShellLink link{targetPath, ShortcutArguments, ShortcutWorkingFolder(targetPath)};
    SaveShellLink(link, folderPath, linkName);
}

} // namespace kelvara
