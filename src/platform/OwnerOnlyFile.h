// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Files the program keeps for the user alone (the history) are made so
// before anything else opens them: a library that creates the file itself
// would give it the system's default rights, and its side files take the
// file's.

#include <string>

namespace kelvara {

// Creates `path` as an empty file only its owner may read or write, unless
// something has that name already (then it is left as it is). Throws
// std::system_error with an errno value in the generic category otherwise.
void CreateOwnerOnlyFile(const std::string& path);

} // namespace kelvara
