// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Opening things through the desktop for the information window's links.
// Both go through CurrentShellOpener() and never fail aloud: a
// target nothing can open, or an error on the way, passes without a word,
// since a link that does nothing is all the user needs to see.

#include <QString>
#include <QUrl>

namespace kelvara {

// The address `target` stands for: a file URL for an absolute path, the
// address itself when it carries a scheme ("https:", "MailTo:"), else what
// a browser would make of it typed by hand. Empty for an empty `target`.
QUrl ShellTargetUrl(const QString& target);

// Opens a folder, file, web address or mail link with the desktop's handler.
void OpenWithShell(const QString& target);

// Shows the file manager's Properties view of `fileName` (or, lacking one,
// its folder).
void ShowFileProperties(const QString& fileName);

} // namespace kelvara
