// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one form in which the user hears of a failure. Only two failures are
// ever told (a state file that could not be saved, a shortcut that could not
// be made), and both in this box: an error icon, an OK button, the
// application's title and the error's message with a full stop.

#include <QMessageBox>
#include <QString>

namespace kelvara {

// `message` ending in a full stop: one is added unless it has one.
QString WithFullStop(const QString& message);

class TErrorBox : public QMessageBox {
    Q_OBJECT

public:
    // `title` is the application title (ApplicationTitle in
    // ui/VersionInfo.h). Shown with exec(), modally.
    TErrorBox(const QString& title, const QString& message, QWidget* parent = nullptr);
};

} // namespace kelvara
