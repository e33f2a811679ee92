// SPDX-License-Identifier: GPL-3.0-or-later
#include "info/InfoLinks.h"

#include "base/PathName.h"
#include "base/qt/QtLog.h"
#include "desktop/ShellFolders.h"
#include "desktop/ShellLaunch.h"
#include "desktop/Shortcut.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QVariant>

namespace kelvara {

QString RunningExecutablePath() {
    return QCoreApplication::applicationFilePath();
}

void LaunchOnStartupLinkClicked(const QObject* sender, const TCreateShortcutLinks& links,
                                const QString& exePath) {
    if (sender == nullptr)
        return;
    std::string folder;
    if (sender == links.LblLaunchOnStartup)
        folder = GetStartupFolder();
    else if (sender == links.LblLaunchOnDesktop)
        folder = GetDesktopFolder();
    else if (sender == links.LblLaunchOnSendTo)
        folder = GetSendToFolder();
    else
        return;
    CreateShortcut(QFile::encodeName(exePath).toStdString(), folder,
                   QFile::encodeName(QFileInfo(exePath).completeBaseName()).toStdString());
}

void OpenStartupLinkClicked(const QObject* sender, const TOpenFolderLinks& links,
                            const QString& exePath) {
    if (sender == nullptr)
        return;
    if (sender == links.LblOpenStartup)
        OpenWithShell(PathText(GetStartupFolder()));
    else if (sender == links.LblOpenFolderIn)
        OpenWithShell(exePath.left(exePath.lastIndexOf('/') + 1));
    else if (sender == links.LblOpenSendTo)
        OpenWithShell(PathText(GetSendToFolder()));
}

void UrlLinkClicked(const QString& urlCaption) {
    OpenWithShell(urlCaption);
}

void HintLinkClicked(const QObject* sender) {
    OpenWithShell(HintOf(sender));
}

void MailLinkClicked(const QString& mailCaption, const QString& exePath) {
    OpenWithShell(QStringLiteral("MailTo:%1?subject=from [%2] user")
                      .arg(mailCaption, QFileInfo(exePath).fileName()));
}

void ExeNameLinkClicked(const QString& exePath) {
    ShowFileProperties(exePath);
}

} // namespace kelvara
