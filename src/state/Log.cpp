// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/Log.h"

namespace kelvara {

// Debug lines only: off unless switched on.
Q_LOGGING_CATEGORY(lcState, "kelvara.state", QtInfoMsg)

} // namespace kelvara
