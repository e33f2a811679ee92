// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one way our code reports a failed system call: std::system_error with
// the errno value in the generic category, so that a caller can compare
// error.code() with std::errc whichever system raised it, and what() names
// what failed followed by the system's description of the code.

#include <string>

namespace kelvara {

[[noreturn]] void ThrowSystemError(int code, const std::string& what);

} // namespace kelvara
