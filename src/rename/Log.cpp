// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename/Log.h"

namespace kelvara {

// Debug lines only: off unless switched on.
Q_LOGGING_CATEGORY(lcRename, "kelvara.rename", QtInfoMsg)

} // namespace kelvara
