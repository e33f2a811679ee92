// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the information window's link labels do. TInfoForm's click handlers
// hand over the clicked label and the labels they tell apart; a label that
// a handler does not know is ignored, so one handler can serve several
// links safely.

#include "ui/Hint.h"

#include <QString>

class QObject;

namespace kelvara {

// The running executable's full path (the system's own record of it).
QString RunningExecutablePath();

struct TCreateShortcutLinks {
    const QObject* LblLaunchOnStartup = nullptr;
    const QObject* LblLaunchOnDesktop = nullptr;
    const QObject* LblLaunchOnSendTo = nullptr;
};

struct TOpenFolderLinks {
    const QObject* LblOpenStartup = nullptr;
    const QObject* LblOpenFolderIn = nullptr;
    const QObject* LblOpenSendTo = nullptr;
};

// LblLaunchOnStartupClick: a shortcut to `exePath`, named after its file name
// without extension, into the Startup, Desktop or SendTo folder by `sender`.
// Throws TShortcutError (desktop/Shortcut.h) when it cannot be written; the
// caller lets it reach the error box. Shows nothing on success.
void LaunchOnStartupLinkClicked(const QObject* sender, const TCreateShortcutLinks& links,
                                const QString& exePath);

// LblOpenStartupClick: opens the Startup folder, the folder that holds
// `exePath`, or the SendTo folder, by `sender`.
void OpenStartupLinkClicked(const QObject* sender, const TOpenFolderLinks& links,
                            const QString& exePath);

// lblURLClick: opens lblURL's caption.
void UrlLinkClicked(const QString& urlCaption);

// Label1Click: opens the clicked label's hint, not its caption.
void HintLinkClicked(const QObject* sender);

// lblMailClick: opens "MailTo:<mailCaption>?subject=from [<exePath's file
// name with extension>] user".
void MailLinkClicked(const QString& mailCaption, const QString& exePath);

// LblExeNameClick: the Properties view of `exePath`.
void ExeNameLinkClicked(const QString& exePath);

} // namespace kelvara
