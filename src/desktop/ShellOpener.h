// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Handing a folder, a web or mail address, or a file's Properties view to
// the desktop. Everything the information window opens goes through the
// current opener, so that tests can put one of their own in place and see
// what would have opened, without a browser or file manager appearing.
// Main thread only.

#include <QString>
#include <QUrl>
#include <memory>

namespace kelvara {

class IShellOpener {
public:
    virtual ~IShellOpener() = default;
    // Opens `url` with the desktop's handler for it (a folder in the file
    // manager, a web address in the browser, a mail link in the mail
    // program). False when no handler took it.
    virtual bool OpenUrl(const QUrl& url) = 0;
    // Shows the file manager's Properties view of the file at `path`.
    virtual bool ShowItemProperties(const QString& path) = 0;
};

// The desktop's own handlers: QDesktopServices for addresses; for
// Properties the file manager's org.freedesktop.FileManager1
// ShowItemProperties over D-Bus, asked without waiting, and where no file
// manager answers it (none on the bus, or an error reply), the file's folder
// is opened instead.
class TDesktopShellOpener : public IShellOpener {
public:
    // `busName` names a connection made with QDBusConnection::connectToBus;
    // empty means the session bus.
    explicit TDesktopShellOpener(QString busName = {});
    ~TDesktopShellOpener() override;
    TDesktopShellOpener(const TDesktopShellOpener&) = delete;
    TDesktopShellOpener& operator=(const TDesktopShellOpener&) = delete;

    bool OpenUrl(const QUrl& url) override;
    // True when the request went out (or the folder was opened instead);
    // the file manager's answer comes later and is not waited for.
    bool ShowItemProperties(const QString& path) override;

private:
    QString m_busName;
    // Replies that arrive after this opener has gone are dropped.
    std::shared_ptr<const bool> m_alive;
};

// The opener in use: the one a TShellOpenerOverride put in place, else the
// desktop's.
IShellOpener& CurrentShellOpener();

// Puts `opener` in place as the current opener while this object lives, and
// restores the previous one after.
class TShellOpenerOverride {
public:
    explicit TShellOpenerOverride(IShellOpener& opener);
    ~TShellOpenerOverride();
    TShellOpenerOverride(const TShellOpenerOverride&) = delete;
    TShellOpenerOverride& operator=(const TShellOpenerOverride&) = delete;

private:
    IShellOpener* m_previous;
};

} // namespace kelvara
