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
#include <exception>

namespace kelvara {

void TInfoForm::lblURLClick(QObject* /*sender*/) {
    UrlLinkClicked(m_ui->lblURL->text());
}

void TInfoForm::lblMailClick(QObject* /*sender*/) {
    MailLinkClicked(m_ui->lblMail->text(), m_executablePath);
}

void TInfoForm::LblExeNameClick(QObject* /*sender*/) {
    ExeNameLinkClicked(m_executablePath);
}

void TInfoForm::LblLaunchOnStartupClick(QObject* sender) {
    try {
        LaunchOnStartupLinkClicked(
            sender, {m_ui->LblLaunchOnStartup, m_ui->LblLaunchOnDesktop, m_ui->LblLaunchOnSendTo},
            m_executablePath);
    } catch (const TShortcutError& error) {
        // The error box of the program's two reported failures: the
        // application title, and the message (which names each shortcut
        // file that could not be written) with a full stop.
        QMessageBox::critical(this, ApplicationTitle(m_executablePath), error.Message() + '.');
    } catch (const std::exception& error) {
        QMessageBox::critical(this, ApplicationTitle(m_executablePath),
                              QString::fromLocal8Bit(error.what()) + '.');
    } catch (...) {
        // A link never ends the program.
    }
}

void TInfoForm::LblOpenStartupClick(QObject* sender) {
    OpenStartupLinkClicked(sender,
                           {m_ui->LblOpenStartup, m_ui->LblOpenFolderIn, m_ui->LblOpenSendTo},
                           m_executablePath);
}

void TInfoForm::Label1Click(QObject* sender) {
    HintLinkClicked(sender);
}

} // namespace kelvara
