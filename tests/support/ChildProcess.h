// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A child process started and waited for without Qt's event loop, its output
// thrown away: what the benchmarks and tests use to run a tool or the
// program itself to its end.

#include <string>
#include <sys/types.h>
#include <vector>

namespace kelvara::test {

// Starts `args` (args[0] looked up in PATH); its process id, or -1 when it
// could not start.
pid_t spawnProcess(const std::vector<std::string>& args);

// Waits for a started process; its exit status, or -1 when it did not exit
// normally.
int waitProcess(pid_t pid);

// Runs `args` and waits for it; its exit status, or -1.
int runProcess(const std::vector<std::string>& args);

} // namespace kelvara::test
