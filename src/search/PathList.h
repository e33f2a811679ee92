// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A path list: path texts in order. Paths are the file system's own bytes
// (Linux names need not be valid UTF-8), so they stay std::string from the
// moment they arrive until the rename, and are never converted on the way.

#include <deque>
#include <string>

namespace kelvara {

using TPathList = std::deque<std::string>;

} // namespace kelvara
