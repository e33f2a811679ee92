// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How much of a JPEG file its metadata takes. The image reader (for the size)
// and the metadata library (Exif, IPTC, XMP, the frame header) both read a
// JPEG's markers from its start up to the first start-of-scan segment and
// stop there; the compressed image, most of the file, follows it.

#include "photo/PhotoSource.h"

#include <cstdint>
#include <optional>

namespace kelvara {

// The length of `source`'s head up to the end of its first start-of-scan
// segment, or up to an end-of-image marker before it (where both readers
// stop as well), and a few bytes more for the metadata library's reads
// ahead. The two readers walk a damaged file's markers differently (the
// image reader skips bytes between segments and takes restart markers as
// having no length, the metadata library reads a length after every
// marker), so only a file whose segments follow each other as the standard
// lays them out is cut short: nullopt for anything else (no JPEG, bytes
// between segments, a restart or start-of-image marker before the scan, a
// segment length below 2, an ICC profile padded with a marker byte, or a
// file that ends before the scan); such a file is to be read whole.
std::optional<std::int64_t> JpegHeadLength(TPhotoSource& source);

} // namespace kelvara
