// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/EscapeKeyWatcher.h"

#include "platform/EscapeKey.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace kelvara {

TEscapeKeyWatcher::TEscapeKeyWatcher(QObject* parent) : QObject(parent) {
    QCoreApplication::instance()->installEventFilter(this);
}

bool TEscapeKeyWatcher::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        NoteEscapePressed();
    return QObject::eventFilter(watched, event);
}

} // namespace kelvara
