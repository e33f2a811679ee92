// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The process's command line as the system split it: argument 0 is the
// executable's full path, the others are the arguments exactly as given, as
// bytes (a path need not be valid UTF-8, and nothing here decodes it). Every
// argument is a path, whatever it looks like: "-style" is a file's name.

#include <string>
#include <vector>

namespace kelvara {

// From main's own argc and argv, which no toolkit has parsed.
std::vector<std::string> ProcessArguments(int argc, const char* const* argv);

// The executable's full path (argument 0).
std::string ExecutablePath();

} // namespace kelvara
