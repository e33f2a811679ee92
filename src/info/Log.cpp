// SPDX-License-Identifier: GPL-3.0-or-later
#include "info/Log.h"

namespace kelvara {

// Debug lines only: off unless switched on.
Q_LOGGING_CATEGORY(lcInfo, "kelvara.info", QtInfoMsg)

} // namespace kelvara
