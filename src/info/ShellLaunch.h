#pragma once
// Opening things through the desktop for the information window's links.
// Both go through CurrentShellOpener() and never fail aloud: a
// target nothing can open, or an error on the way, passes without a word,
// since a link that does nothing is all the user needs to see.

#include <QString>
#include <QUrl>

namespace kelvara {

// The address Target stands for: a file URL for an absolute path, the
// address itself when it carries a scheme ("https:", "MailTo:"), else what
// a browser would make of it typed by hand. Empty for an empty Target.
QUrl ShellTargetUrl(const QString& Target);

// Opens a folder, file, web address or mail link with the desktop's handler.
void OpenWithShell(const QString& Target);

// Shows the file manager's Properties view of FileName (or, lacking one,
// its folder).
void ShowFileProperties(const QString& FileName);

} // namespace kelvara
