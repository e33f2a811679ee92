// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/MessageBoxAnswerer.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QPointer>

namespace kelvara::test {

MessageBoxAnswerer::MessageBoxAnswerer() {
    QCoreApplication::instance()->installEventFilter(this);
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    QCoreApplication::instance()->removeEventFilter(this);
}

bool MessageBoxAnswerer::eventFilter(QObject* watched, QEvent* event) {
    auto* box = qobject_cast<QMessageBox*>(watched);
    if (box == nullptr || event->type() != QEvent::Show || event->spontaneous())
        return false;
    boxes.push_back({box->windowTitle(), box->text(), box->icon()});
    // Answered once the box is up and its loop runs, as a click would be.
    QMetaObject::invokeMethod(
        box,
        [this, guarded = QPointer<QMessageBox>(box)] {
            QMessageBox* shown = guarded.data();
            if (shown == nullptr || !shown->isVisible())
                return;
            if (onShown) {
                onShown(*shown);
            } else if (QAbstractButton* ok = shown->button(QMessageBox::Ok)) {
                ok->click();
            } else {
                shown->reject();
            }
        },
        Qt::QueuedConnection);
    return false;
}

} // namespace kelvara::test
