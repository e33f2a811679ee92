// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Log.h"

namespace kelvara {

// Debug lines only: off unless switched on.
Q_LOGGING_CATEGORY(lcApp, "kelvara.app", QtInfoMsg)

} // namespace kelvara
