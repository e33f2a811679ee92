// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ErrorBox.h"

namespace kelvara {

QString WithFullStop(const QString& message) {
    return message.endsWith(u'.') ? message : message + u'.';
}

TErrorBox::TErrorBox(const QString& title, const QString& message, QWidget* parent)
    : QMessageBox(QMessageBox::Critical, title, WithFullStop(message), QMessageBox::Ok, parent) {}

} // namespace kelvara
