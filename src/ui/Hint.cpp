// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Hint.h"

#include <QObject>
#include <QVariant>

namespace kelvara {

QString HintOf(const QObject* control) {
    return control == nullptr ? QString() : control->property(HintProperty).toString();
}

} // namespace kelvara
