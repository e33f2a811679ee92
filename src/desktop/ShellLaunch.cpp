// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/ShellLaunch.h"

#include "desktop/Log.h"
#include "desktop/ShellOpener.h"

#include <QRegularExpression>

namespace kelvara {

QUrl ShellTargetUrl(const QString& target) {
    if (target.isEmpty())
        return {};
    if (target.startsWith('/'))
        return QUrl::fromLocalFile(target);
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    if (scheme.match(target).hasMatch())
        return QUrl(target, QUrl::TolerantMode);
    return QUrl::fromUserInput(target);
}

void OpenWithShell(const QString& target) {
    try {
        const QUrl url = ShellTargetUrl(target);
        if (!url.isValid() || url.isEmpty())
            qCDebug(lcDesktop) << "nothing to open for" << target;
        else if (!CurrentShellOpener().OpenUrl(url))
            qCDebug(lcDesktop) << "no handler opened" << url;
    } catch (const std::exception& error) {
        // A link that cannot be opened simply does nothing.
        qCDebug(lcDesktop) << "cannot open" << target << ":" << error.what();
    } catch (...) {
        qCDebug(lcDesktop) << "cannot open" << target;
    }
}

void ShowFileProperties(const QString& fileName) {
    try {
        if (!fileName.isEmpty() && !CurrentShellOpener().ShowItemProperties(fileName))
            qCDebug(lcDesktop) << "no Properties view of" << fileName;
    } catch (const std::exception& error) {
        // As for OpenWithShell: nothing to report.
        qCDebug(lcDesktop) << "no Properties view of" << fileName << ":" << error.what();
    } catch (...) {
        qCDebug(lcDesktop) << "no Properties view of" << fileName;
    }
}

} // namespace kelvara
