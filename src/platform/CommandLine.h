// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The process's command line as the system split it: argument 0 is the
// executable's full path, the others are the arguments exactly as given, as
// bytes (a path need not be valid UTF-8, and nothing here decodes it).

#include <string>
#include <vector>

namespace kelvara {

std::vector<std::string> ProcessArguments();

// The executable's full path (argument 0).
std::string ExecutablePath();

} // namespace kelvara
