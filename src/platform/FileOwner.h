// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whose a file is. A file that we may write is not always ours to replace:
// root may write anyone's, but a file replaced through a new one and a
// rename belongs to the writer from then on, and its owner has lost it.

#include <string>

namespace kelvara {

// True when the file or folder at `path` belongs to the user this program
// runs as; false for another user's, and where it cannot be told.
bool IsOwnedByUs(const std::string& path);

} // namespace kelvara
