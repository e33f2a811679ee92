// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Path texts as the file system spells them. A path is the system's own
// bytes from the moment it arrives until the rename; it becomes text only to
// be shown or logged.

#include <string>
#include <string_view>

namespace kelvara {

// `path` without trailing delimiters; the root keeps its own ("/" stays "/").
std::string WithoutTrailingDelimiter(std::string path);

// `folder` + "/" + `name`, with a single delimiter even when `folder` ends
// in one (or is the root). The one way our code joins a path.
std::string PathInFolder(const std::string& folder, std::string_view name);

// `path` as text for a log line (which quotes it): UTF-8, each byte that is
// not part of valid UTF-8 shown as U+FFFD.
std::string DecodedPath(const std::string& path);

} // namespace kelvara
