// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/Log.h"

namespace kelvara {

// Debug lines only: off unless switched on.
Q_LOGGING_CATEGORY(lcSearch, "kelvara.search", QtInfoMsg)

} // namespace kelvara
