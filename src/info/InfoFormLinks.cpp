// SPDX-License-Identifier: GPL-3.0-or-later
// What the information window's links do: create shortcuts to the program,
// open folders, the maker's page and mail, and the program file's
// Properties. A failed shortcut is the one failure the user is told of; the
// window stays open. Nothing a link meets ends the program: whatever is
// thrown below a handler stops there, and the link does nothing more.

#include "base/Contained.h"
#include "desktop/Shortcut.h"
#include "info/InfoForm.h"
#include "info/InfoLinks.h"
#include "info/Log.h"
#include "ui/ErrorBox.h"
#include "ui/VersionInfo.h"
#include "ui_InfoForm.h"

#include <exception>

namespace kelvara {

void TInfoForm::lblURLClick(QObject* /*sender*/) {
    Contained(lcInfo, "web link", [this] { UrlLinkClicked(m_ui->lblURL->text()); });
}

void TInfoForm::lblMailClick(QObject* /*sender*/) {
    Contained(lcInfo, "mail link",
              [this] { MailLinkClicked(m_ui->lblMail->text(), m_executablePath); });
}

void TInfoForm::LblExeNameClick(QObject* /*sender*/) {
    Contained(lcInfo, "properties link", [this] { ExeNameLinkClicked(m_executablePath); });
}

void TInfoForm::LblLaunchOnStartupClick(QObject* sender) {
    try {
        LaunchOnStartupLinkClicked(
            sender, {m_ui->LblLaunchOnStartup, m_ui->LblLaunchOnDesktop, m_ui->LblLaunchOnSendTo},
            m_executablePath);
    } catch (...) {
        // Whatever failed, no shortcut was made, and the user hears of it in
        // the error box of the program's two reported failures.
        const std::exception_ptr failure = std::current_exception();
        NoteContained(lcInfo, "shortcut not made", failure);
        Contained(lcInfo, "shortcut error box", [&] {
            TErrorBox box(ApplicationTitle(m_executablePath), ShortcutFailureMessage(failure),
                          this);
            box.exec();
        });
    }
}

void TInfoForm::LblOpenStartupClick(QObject* sender) {
    Contained(lcInfo, "open-folder link", [this, sender] {
        OpenStartupLinkClicked(sender,
                               {m_ui->LblOpenStartup, m_ui->LblOpenFolderIn, m_ui->LblOpenSendTo},
                               m_executablePath);
    });
}

void TInfoForm::Label1Click(QObject* sender) {
    Contained(lcInfo, "search link", [sender] { HintLinkClicked(sender); });
}

} // namespace kelvara
