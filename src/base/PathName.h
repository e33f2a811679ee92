// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Path texts as the file system spells them. A path is the system's own
// bytes from the moment it arrives until the rename; it becomes text only to
// be shown or logged.

#include <QString>
#include <string>

namespace kelvara {

// `path` without trailing delimiters; the root keeps its own ("/" stays "/").
std::string WithoutTrailingDelimiter(std::string path);

// `path` as text, decoded the way the file system encodes names.
QString DecodedPath(const std::string& path);

} // namespace kelvara
