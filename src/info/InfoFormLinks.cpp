// What the information window's links do: create shortcuts to the program,
// open folders, the maker's page and mail, and the program file's
// Properties. A failed shortcut is the one failure the user is told of; the
// window stays open.

#include "info/InfoForm.h"
#include "info/InfoLinks.h"
#include "info/Shortcut.h"
#include "info/VersionInfo.h"
#include "ui_InfoForm.h"

#include <QMessageBox>

namespace kelvara {

void TInfoForm::lblURLClick(QObject* /*sender*/) {
    UrlLinkClicked(ui->lblURL->text());
}

void TInfoForm::lblMailClick(QObject* /*sender*/) {
    MailLinkClicked(ui->lblMail->text(), FExecutablePath);
}

void TInfoForm::LblExeNameClick(QObject* /*sender*/) {
    ExeNameLinkClicked(FExecutablePath);
}

void TInfoForm::LblLaunchOnStartupClick(QObject* sender) {
    try {
        LaunchOnStartupLinkClicked(
            sender, {ui->LblLaunchOnStartup, ui->LblLaunchOnDesktop, ui->LblLaunchOnSendTo},
            FExecutablePath);
    } catch (const EShortcutError& error) {
        // The error box of the program's two reported failures: the
        // application title, and the message with a full stop.
        QMessageBox::critical(this, ApplicationTitle(FExecutablePath), error.Message() + '.');
    }
}

void TInfoForm::LblOpenStartupClick(QObject* sender) {
    OpenStartupLinkClicked(sender, {ui->LblOpenStartup, ui->LblOpenFolderIn, ui->LblOpenSendTo},
                           FExecutablePath);
}

void TInfoForm::Label1Click(QObject* sender) {
    HintLinkClicked(sender);
}

} // namespace kelvara
