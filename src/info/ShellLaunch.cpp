#include "info/ShellLaunch.h"

#include "platform/ShellOpener.h"

#include <QRegularExpression>

namespace kelvara {

QUrl ShellTargetUrl(const QString& Target) {
    if (Target.isEmpty())
        return {};
    if (Target.startsWith('/'))
        return QUrl::fromLocalFile(Target);
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    if (scheme.match(Target).hasMatch())
        return QUrl(Target, QUrl::TolerantMode);
    return QUrl::fromUserInput(Target);
}

void OpenWithShell(const QString& Target) {
    try {
        const QUrl url = ShellTargetUrl(Target);
        if (url.isValid() && !url.isEmpty())
            CurrentShellOpener().OpenUrl(url);
    } catch (...) {
        // A link that cannot be opened simply does nothing.
    }
}

void ShowFileProperties(const QString& FileName) {
    try {
        if (!FileName.isEmpty())
            CurrentShellOpener().ShowItemProperties(FileName);
    } catch (...) {
        // As for OpenWithShell: nothing to report.
    }
}

} // namespace kelvara
