// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/ShellOpener.h"

#include "base/qt/QtLog.h"
#include "desktop/Log.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>

namespace kelvara {

namespace {

// The one seam for tests: null means the desktop's opener.
IShellOpener* OverrideOpener = nullptr;

QUrl ContainingFolder(const QString& path) {
    return QUrl::fromLocalFile(QFileInfo(path).absolutePath() + '/');
}

} // namespace

TDesktopShellOpener::TDesktopShellOpener(QString busName)
    : m_busName(std::move(busName)), m_alive(std::make_shared<const bool>(true)) {}

TDesktopShellOpener::~TDesktopShellOpener() = default;

bool TDesktopShellOpener::OpenUrl(const QUrl& url) {
    if (url.isEmpty() || !url.isValid())
        return false;
    return QDesktopServices::openUrl(url);
}

bool TDesktopShellOpener::ShowItemProperties(const QString& path) {
    const QDBusConnection bus =
        m_busName.isEmpty() ? QDBusConnection::sessionBus() : QDBusConnection(m_busName);
    if (!bus.isConnected() || QCoreApplication::instance() == nullptr) {
        LogDebug(lcDesktop) << "properties of" << path << ": no session bus, opening its folder";
        return OpenUrl(ContainingFolder(path));
    }

    QDBusMessage call = QDBusMessage::createMethodCall(
        "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
        "org.freedesktop.FileManager1", "ShowItemProperties");
    call << QStringList{QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded())} << QString();
    // A file manager started by the call can take seconds to answer; the
    // window must not freeze meanwhile, so the fallback waits for the reply.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                     [this, alive = std::weak_ptr<const bool>(m_alive),
                      path](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         if (finished->isError() && !alive.expired()) {
                             LogDebug(lcDesktop)
                                 << "properties of" << path << ":" << finished->error().message()
                                 << "; opening its folder";
                             OpenUrl(ContainingFolder(path));
                         }
                         // Tests wait for this line: the reply is in, and the
                         // fallback, if any, has happened.
                         LogDebug(lcDesktop) << "file manager answered"
                                             << (finished->isError() ? "with an error" : "");
                     });
    return true;
}

IShellOpener& CurrentShellOpener() {
    if (OverrideOpener != nullptr)
        return *OverrideOpener;
    static TDesktopShellOpener desktop;
    return desktop;
}

TShellOpenerOverride::TShellOpenerOverride(IShellOpener& opener) : m_previous(OverrideOpener) {
    OverrideOpener = &opener;
}

TShellOpenerOverride::~TShellOpenerOverride() {
    OverrideOpener = m_previous;
}

} // namespace kelvara
