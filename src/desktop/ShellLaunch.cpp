// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/ShellLaunch.h"

#include "base/qt/QtLog.h"
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
            LogDebug(lcDesktop) << "nothing to open for" << target;
        else if (!CurrentShellOpener().OpenUrl(url))
            LogDebug(lcDesktop) << "no handler opened" << url;
    } catch (const std::exception& error) {
        // A link that cannot be opened simply does nothing.
        LogDebug(lcDesktop) << "cannot open" << target << ":" << error.what();
    } catch (...) {
        LogDebug(lcDesktop) << "cannot open" << target;
    }
}

void ShowFileProperties(const QString& fileName) {
    try {
        if (!fileName.isEmpty() && !CurrentShellOpener().ShowItemProperties(fileName))
            LogDebug(lcDesktop) << "no Properties view of" << fileName;
    } catch (const std::exception& error) {
        // As for OpenWithShell: nothing to report.
        LogDebug(lcDesktop) << "no Properties view of" << fileName << ":" << error.what();
    } catch (...) {
        LogDebug(lcDesktop) << "no Properties view of" << fileName;
    }
}

} // namespace kelvara
