// SPDX-License-Identifier: GPL-3.0-or-later
#include "instance/Log.h"

namespace kelvara {

// Debug lines only: off unless switched on.
Q_LOGGING_CATEGORY(lcInstance, "kelvara.instance", QtInfoMsg)

} // namespace kelvara
