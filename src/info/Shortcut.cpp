#include "info/Shortcut.h"

#include "platform/ShellLink.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <utility>

namespace kelvara {

EShortcutError::EShortcutError(std::error_code code, std::string linkFile)
    : std::system_error(code, "create shortcut " + linkFile), m_linkFile(std::move(linkFile)) {}

QString EShortcutError::Message() const {
    //: %1 is the shortcut file's full path, %2 the system's reason.
    return QCoreApplication::translate("kelvara::EShortcutError",
                                       "ショートカット %1 を作成できません: %2")
        .arg(QFile::decodeName(QByteArray::fromStdString(m_linkFile)),
             QString::fromLocal8Bit(code().message()));
}

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
    try {
        SaveShellLink(link, FolderPath, LinkName);
    } catch (const std::system_error& error) {
        throw EShortcutError(error.code(), ShellLinkFileName(FolderPath, LinkName));
    }
}

} // namespace kelvara
