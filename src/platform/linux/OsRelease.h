// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading the freedesktop os-release file and describing a Linux system with
// it; pure text work, kept apart from the system calls.

#include <optional>
#include <string>
#include <string_view>

namespace kelvara {

// The value of `key` in os-release text: KEY=value lines, values possibly in
// double or single quotes, with backslash escapes inside double quotes.
std::optional<std::string> OsReleaseValue(std::string_view osRelease, std::string_view key);

// "<PRETTY_NAME> (Linux <release> <machine>)", e.g. "Debian GNU/Linux 12
// (bookworm) (Linux 6.1.0-18-amd64 x86_64)". The name falls back to NAME,
// then to "Linux"; an empty release or machine is left out, and both empty
// leave out the parenthesis.
std::string DescribeLinux(std::string_view osRelease, std::string_view release,
                          std::string_view machine);

} // namespace kelvara
