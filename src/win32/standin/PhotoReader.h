// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// STAND-IN: reads a photo's date, size and model through Exiv2, given the
// file's bytes (never a path: Exiv2 would map the file, and a file cut short
// while mapped ends the process). Replaced by the shared photo module once it
// builds for Windows. Windows' own property store is what the program reads
// on Windows proper; Wine has none, and Exiv2 gives the same texts.

#include "win32/standin/NewName.h"

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelvara::standin {

// Larger files are no photos, and are not read.
inline constexpr std::size_t MaxPhotoSize = std::size_t{512} << 20;

// The whole file. Throws std::runtime_error when it cannot be read or is
// larger than MaxPhotoSize.
std::vector<unsigned char> ReadFileContent(const std::wstring& path);

// Throws std::runtime_error (among others, whatever Exiv2 throws) for
// content that holds no readable metadata.
TPhotoProperties ReadPhotoProperties(const std::vector<unsigned char>& content);

} // namespace kelvara::standin
