// SPDX-License-Identifier: GPL-3.0-or-later
#include "photo/Log.h"

namespace kelvara {

// Debug lines only: off unless switched on.
Q_LOGGING_CATEGORY(lcPhoto, "kelvara.photo", QtInfoMsg)

} // namespace kelvara
