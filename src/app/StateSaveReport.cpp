// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StateSaveReport.h"

#include "app/Log.h"
#include "base/Contained.h"
#include "base/qt/QtLog.h"
#include "ui/ErrorBox.h"

#include <QCoreApplication>
#include <exception>
#include <utility>

namespace kelvara {

QString StateNotSavedMessage(const QString& iniFile) {
    //: The state file could not be saved; %1 is its full path.
    return WithFullStop(
        QCoreApplication::translate("kelvara::TIniFileError", "%1 に書き込めません").arg(iniFile));
}

TStateSaveReport::TStateSaveReport(QString title) : m_title(std::move(title)) {}

TStateSaveReport::~TStateSaveReport() = default;

void TStateSaveReport::EndUnattended() {
    m_unattended = true;
    // Nobody answers the box now; Tell goes on to standard error once it
    // has closed.
    if (TErrorBox* box = m_box.data())
        box->reject();
}

bool TStateSaveReport::Save(const QString& iniFile, const std::function<void()>& save) noexcept {
    try {
        save();
        LogDebug(lcApp) << "state saved";
        return true;
    } catch (...) {
        // Whatever failed (the file could not be written, or anything thrown
        // on the way), the state was not saved, and that is what the user is
        // told; the failure itself goes to the debug line.
        NoteContained(lcApp, "state not saved", std::current_exception());
    }
    Contained(lcApp, "the failed save could not be told", [&] {
        QString message = QStringLiteral("state file not saved");
        Contained(lcApp, "no message for the failed save",
                  [&] { message = StateNotSavedMessage(iniFile); });
        Tell(message);
    });
    return false;
}

void TStateSaveReport::Tell(const QString& message) {
    if (!m_unattended) {
        TErrorBox box(m_title, message);
        m_box = &box;
        box.exec();
        m_box = nullptr;
    }
    // Also when the box was open as the end became unattended: nobody may
    // have seen it.
    if (m_unattended)
        LogWarning(lcApp).NoQuote() << message;
}

} // namespace kelvara
