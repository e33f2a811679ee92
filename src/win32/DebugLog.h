// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Diagnostics on standard error, silent unless KELVARA_DEBUG=1 is in the
// environment (a window program has no console: whoever starts it must hand
// it a standard error to read). The lines tell what a user cannot see: the
// copy is ready, a run has ended, Escape emptied the queues, a second launch
// handed its paths over.

#include <string_view>

namespace kelvara {

// True when KELVARA_DEBUG=1 asks for the lines.
bool DebugLogWanted();

void DebugLine(std::string_view line);

} // namespace kelvara
