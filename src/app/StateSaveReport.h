// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Saving the window state at the end, and telling the user once when it
// could not be saved, whatever failed and whatever windows were open before.
//
// How the user is told depends on how the program is ending. When the user
// ended it (closed the main window), in the error box, which waits for their
// answer. When a signal (SIGTERM, SIGINT, SIGHUP) or the end of the desktop
// session ended it, nobody may be there to answer a box, and the session's
// end would wait for it: the message goes to standard error instead (the
// category "kelvara.app" at warning level). A box already open when such an
// end comes is closed, and the message goes to standard error as well.

#include <QPointer>
#include <QString>
#include <functional>

namespace kelvara {

class TErrorBox;

class TStateSaveReport {
public:
    // `title` is the error box's: the application title.
    explicit TStateSaveReport(QString title);
    ~TStateSaveReport();
    TStateSaveReport(const TStateSaveReport&) = delete;
    TStateSaveReport& operator=(const TStateSaveReport&) = delete;

    // The end is unattended from now on (a signal, the session's end).
    void EndUnattended();

    // Runs `save`, which writes the state file `iniFile`. True when it
    // returned; when it threw anything at all, the failure is told once, as
    // described above, with the state file's "cannot write" message, and the
    // result is false. Never throws.
    //
    // Tests wait for the debug lines "state saved" and "state not saved:
    // <why>" (just before the box, or the line on standard error).
    bool Save(const QString& iniFile, const std::function<void()>& save) noexcept;

private:
    void Tell(const QString& message);

    QString m_title;
    bool m_unattended = false;
    QPointer<TErrorBox> m_box;
};

// What the user is told when `iniFile` could not be saved, with its full
// stop: "<file> に書き込めません." in the user's language.
QString StateNotSavedMessage(const QString& iniFile);

} // namespace kelvara
