// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ProgramIcon.h"

#include <QString>

namespace kelvara {

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1x%1/kelvara.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace kelvara
