#include "info/InfoLinks.h"

#include "info/ShellFolders.h"
#include "info/ShellLaunch.h"
#include "info/Shortcut.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QVariant>

namespace kelvara {

namespace {

QString DecodedPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace

QString HintOf(const QObject* control) {
    return control == nullptr ? QString() : control->property(HintProperty).toString();
}

QString RunningExecutablePath() {
    return QCoreApplication::applicationFilePath();
}

void LaunchOnStartupLinkClicked(const QObject* Sender, const TCreateShortcutLinks& Links,
                                const QString& ExePath) {
    if (Sender == nullptr)
        return;
    std::string folder;
    if (Sender == Links.LblLaunchOnStartup)
        folder = GetStartupFolder();
    else if (Sender == Links.LblLaunchOnDesktop)
        folder = GetDesktopFolder();
    else if (Sender == Links.LblLaunchOnSendTo)
        folder = GetSendToFolder();
    else
        return;
    CreateShortcut(QFile::encodeName(ExePath).toStdString(), folder,
                   QFile::encodeName(QFileInfo(ExePath).completeBaseName()).toStdString());
}

void OpenStartupLinkClicked(const QObject* Sender, const TOpenFolderLinks& Links,
                            const QString& ExePath) {
    if (Sender == nullptr)
        return;
    if (Sender == Links.LblOpenStartup)
        OpenWithShell(DecodedPath(GetStartupFolder()));
    else if (Sender == Links.LblOpenFolderIn)
        OpenWithShell(ExePath.left(ExePath.lastIndexOf('/') + 1));
    else if (Sender == Links.LblOpenSendTo)
        OpenWithShell(DecodedPath(GetSendToFolder()));
}

void UrlLinkClicked(const QString& UrlCaption) {
    OpenWithShell(UrlCaption);
}

void HintLinkClicked(const QObject* Sender) {
    OpenWithShell(HintOf(Sender));
}

void MailLinkClicked(const QString& MailCaption, const QString& ExePath) {
    OpenWithShell(QStringLiteral("MailTo:%1?subject=from [%2] user")
                      .arg(MailCaption, QFileInfo(ExePath).fileName()));
}

void ExeNameLinkClicked(const QString& ExePath) {
    ShowFileProperties(ExePath);
}

} // namespace kelvara
