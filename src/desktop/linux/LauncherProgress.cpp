// SPDX-License-Identifier: GPL-3.0-or-later
// The launcher entry's progress as Unity started it and Ubuntu Dock, Dash to
// Dock, Plank and Plasma's task manager read it: a broadcast signal
// com.canonical.Unity.LauncherEntry.Update carrying the entry's
// "application://<desktop file id>" and a map of properties, here
// "progress" (a double) and "progress-visible" (a boolean). Nobody needs to
// be listening, and no reply comes.
#include "desktop/LauncherProgress.h"

#include "base/qt/QtLog.h"
#include "desktop/Log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>
#include <algorithm>
#include <cmath>
#include <functional>

namespace kelvara {

namespace {

class TLauncherEntryProgress : public ILauncherProgress {
public:
    TLauncherEntryProgress(const std::string& desktopFileId, const std::string& busName)
        : m_appUri(QStringLiteral("application://") + QString::fromStdString(desktopFileId)),
          m_busName(QString::fromStdString(busName)),
          // Any path under the launcher entry's root will do; the listeners
          // match the application's address, not the path. One per entry.
          m_path(QStringLiteral("/com/canonical/unity/launcherentry/") +
                 QString::number(std::hash<std::string>{}(desktopFileId)&0xffffffffu)) {}

    ~TLauncherEntryProgress() override {
        if (m_visible)
            Hide();
    }

    void Show(double fraction) noexcept override {
        if (std::isnan(fraction))
            fraction = 0;
        fraction = std::clamp(fraction, 0.0, 1.0);
        // A few times a second at most, and only when it shows a change.
        if (m_visible && std::abs(fraction - m_shown) < 0.001)
            return;
        m_visible = true;
        m_shown = fraction;
        Send(fraction, true);
    }

    void Hide() noexcept override {
        m_visible = false;
        Send(0.0, false);
    }

private:
    void Send(double progress, bool visible) noexcept {
        try {
            const QDBusConnection bus =
                m_busName.isEmpty() ? QDBusConnection::sessionBus() : QDBusConnection(m_busName);
            if (!bus.isConnected())
                return;
            QDBusMessage signal = QDBusMessage::createSignal(
                m_path, QStringLiteral("com.canonical.Unity.LauncherEntry"),
                QStringLiteral("Update"));
            signal << m_appUri
                   << QVariantMap{{QStringLiteral("progress"), progress},
                                  {QStringLiteral("progress-visible"), visible}};
            if (!bus.send(signal))
                LogDebug(lcDesktop) << "launcher progress not sent:" << bus.lastError().message();
        } catch (...) {
            LogDebug(lcDesktop) << "launcher progress not sent";
        }
    }

    QString m_appUri;
    QString m_busName;
    QString m_path;
    bool m_visible = false;
    double m_shown = 0;
};

} // namespace

std::unique_ptr<ILauncherProgress> CreateLauncherProgress(const std::string& desktopFileId,
                                                          const std::string& busName) {
    return std::make_unique<TLauncherEntryProgress>(desktopFileId, busName);
}

} // namespace kelvara
