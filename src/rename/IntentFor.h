// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rename of a photo as the history records it ahead of the move: its
// folder, and the photo's and each companion's old and new names with the
// identity of the file that was read or found.

#include "history/HistoryTypes.h"
#include "rename/PreparedPhoto.h"

#include <string>

namespace kelvara {

// The intent to rename the photo at `path` to `target` (a new name in its
// folder that ends with its old one), its companions taking the same prefix:
// those in `photo` where they were looked up ahead, else those found now.
// Reads each file's identity where `photo` does not hold it. Throws
// std::system_error when a file cannot be looked at.
TIntent IntentFor(const std::string& path, const std::string& target, const TPreparedPhoto& photo);

} // namespace kelvara
