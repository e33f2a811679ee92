// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/Shortcut.h"

#include "base/PathName.h"
#include "desktop/ShellLink.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <utility>

namespace kelvara {

QString ShortcutFailureMessage(const std::exception_ptr& failure) {
    try {
        if (failure)
            std::rethrow_exception(failure);
    } catch (const TShortcutError& error) {
        return error.Message();
    } catch (const std::exception& error) {
        //: A shortcut failed for a reason the system did not name; %1 is
        //: the program's own note of it.
        return QCoreApplication::translate("kelvara::TShortcutError",
                                           "ショートカットを作成できません: %1")
            .arg(QString::fromLocal8Bit(error.what()));
    } catch (...) {
    }
    return QCoreApplication::translate("kelvara::TShortcutError", "ショートカットを作成できません");
}

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
