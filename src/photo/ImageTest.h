// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether a path names a photo the rename step can work on.

#include <string>

namespace kelvara {

// True exactly for an existing regular file whose content the image reader
// can load as a raster image. Folders, missing files, vector drawings, damaged
// and unknown content give false; nothing is reported.
bool IsImageFile(const std::string& path);

} // namespace kelvara
