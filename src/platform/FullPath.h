// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Full path names: a relative path is made absolute against the process's
// current folder, and "." and ".." parts are resolved as text; symbolic links
// are left alone (the user named the link, not its target). An empty path, or
// one whose current folder cannot be read, gives the empty text.

#include <string>

namespace kelvara {

std::string FullPathName(const std::string& path);

} // namespace kelvara
