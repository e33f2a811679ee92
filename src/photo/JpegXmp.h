// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The XMP packet of a JPEG, found among its segments so that it can be kept
// from the metadata library until it is needed. Parsing XMP costs about as
// much as the rest of a small JPEG's metadata together, and the packet only
// matters for a photo whose Exif holds no shooting date: a photo with one
// is read with its packet hidden, the others whole.

#include <cstddef>
#include <optional>
#include <string_view>

namespace kelvara {

// Where in `jpeg` (a JPEG's bytes from its start) the identifier of its
// first XMP segment (APP1, "http://ns.adobe.com/xap/1.0/") begins; nullopt
// when there is none before the first scan, or when the segments do not
// follow each other as the standard lays them out (then nothing is hidden).
std::optional<std::size_t> JpegXmpIdentifier(std::string_view jpeg);

} // namespace kelvara
