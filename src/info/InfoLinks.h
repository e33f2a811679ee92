#pragma once
// What the information window's link labels do. TInfoForm's click handlers
// hand over the clicked label and the labels they tell apart; a label that
// a handler does not know is ignored, so one handler can serve several
// links safely.

#include <QString>

class QObject;

namespace kelvara {

// The dynamic property that holds a control's hint: data the control
// carries (for Label1 the address it opens), never shown as a tooltip.
inline constexpr char HintProperty[] = "Hint";
QString HintOf(const QObject* control);

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

// LblLaunchOnStartupClick: a shortcut to ExePath, named after its file name
// without extension, into the Startup, Desktop or SendTo folder by Sender.
// Throws EShortcutError (info/Shortcut.h) when it cannot be written; the caller
// lets it reach the error box. Shows nothing on success.
void LaunchOnStartupLinkClicked(const QObject* Sender, const TCreateShortcutLinks& Links,
                                const QString& ExePath);

// LblOpenStartupClick: opens the Startup folder, the folder that holds
// ExePath, or the SendTo folder, by Sender.
void OpenStartupLinkClicked(const QObject* Sender, const TOpenFolderLinks& Links,
                            const QString& ExePath);

// lblURLClick: opens lblURL's caption.
void UrlLinkClicked(const QString& UrlCaption);

// Label1Click: opens the clicked label's hint, not its caption.
void HintLinkClicked(const QObject* Sender);

// lblMailClick: opens "MailTo:<MailCaption>?subject=from [<ExePath's file
// name with extension>] user".
void MailLinkClicked(const QString& MailCaption, const QString& ExePath);

// LblExeNameClick: the Properties view of ExePath.
void ExeNameLinkClicked(const QString& ExePath);

} // namespace kelvara
