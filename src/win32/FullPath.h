// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How an incoming path (dropped, named on the command line, handed over) is
// made the path that is queued: full, against the process's current folder,
// "." and ".." resolved; on a drive letter mapped to a network share, the
// share's UNC name, so that the path still names the file whatever the
// drive letters of the moment.

#include <string>
#include <string_view>

namespace kelvara {

// The full path; the empty text when the system cannot make one.
std::wstring FullPathName(std::wstring_view path);

// FullPathName, then the universal name where the drive is mapped.
std::wstring QueueablePath(std::wstring_view path);

} // namespace kelvara
