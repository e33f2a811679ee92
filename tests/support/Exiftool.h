// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// exiftool as the second, independent metadata reader: tests compare what we
// read with what it reads, and use it to write test photos with exactly the
// tags a case needs.

#include <string>
#include <vector>

namespace kelvara::test {

// True when an exiftool executable is on the PATH.
bool exiftoolAvailable();

// Runs exiftool with `args` and returns its standard output. Throws
// std::runtime_error when it cannot start, fails or reports an error.
std::string runExiftool(const std::vector<std::string>& args);

} // namespace kelvara::test
