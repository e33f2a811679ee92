// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The names an independent metadata reader (exiftool) gives photos: its date,
// image size and camera model, put together as the program puts its own at
// minute precision in the date_size_model_old layout. Tests compare the
// program's renames against these.

#include <filesystem>
#include <map>
#include <set>
#include <string>

namespace kelvara::test {

// For every file below `root` that exiftool reads: relative path -> the
// relative path it should have after one run. A file whose exiftool type
// (File:FileType, e.g. "JPEG", "HEIC") is not in `renamedTypes`, that has no
// real shooting date, or whose name holds a line break keeps its path. The model and
// size lose blanks, control characters and < > : " / \ | ? *, as in a name.
std::map<std::string, std::string> exiftoolNames(const std::filesystem::path& root,
                                                 const std::set<std::string>& renamedTypes);

} // namespace kelvara::test
