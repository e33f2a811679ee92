#include "state/Log.h"

namespace kelvara {

// Debug lines only: off unless switched on.
Q_LOGGING_CATEGORY(lcState, "kelvara.state", QtInfoMsg)

} // namespace kelvara
