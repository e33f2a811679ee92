// SPDX-License-Identifier: GPL-3.0-or-later
#include "thread/Log.h"

namespace kelvara {

// Debug lines only: off unless switched on.
Q_LOGGING_CATEGORY(lcThread, "kelvara.thread", QtInfoMsg)

} // namespace kelvara
