// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's command line, split as Kelvara has always split it (not as
// CommandLineToArgvW does: a backslash never escapes a quote here, so
// "C:\My Pics\" stays a folder).
//
// Before each argument, characters 1 to 32 and pairs of adjacent double
// quotes are skipped, so an empty quoted argument is no argument. An argument
// runs to the next character of 32 or less outside double quotes; a double
// quote switches quoting and is dropped. An argument that comes out empty (a
// lone quote at the very end) ends the list.

#include <string>
#include <string_view>
#include <vector>

namespace kelvara {

// Every argument of `commandLine`, argument 0 (the program as typed) first.
std::vector<std::wstring> SplitCommandLine(std::wstring_view commandLine);

// The running program's full path, as the system reports it for the module.
std::wstring ModulePath();

// The paths of this process's command line: arguments 1 to the count.
std::vector<std::wstring> CommandLinePaths();

} // namespace kelvara
