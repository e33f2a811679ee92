// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Log.h"

namespace kelvara {

// Debug lines only: off unless switched on.
Q_LOGGING_CATEGORY(lcPlatform, "kelvara.platform", QtInfoMsg)

} // namespace kelvara
