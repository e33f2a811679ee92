// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's icon, as its windows and the information window's AppIcon
// show it: compiled into the program at 16, 24, 32, 48, 64, 128 and 256
// pixels square, so that every size is drawn, never scaled.

#include <QIcon>

namespace kelvara {

QIcon ProgramIcon();

} // namespace kelvara
