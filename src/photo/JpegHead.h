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
// segment (or up to an end-of-image or second start-of-image marker before
// it, where both readers stop as well), walking the markers as the readers
// do: bytes between segments are skipped up to the next 0xFF. nullopt when
// the content is no JPEG, ends before that point, or has markers the walk
// cannot follow (a segment length below 2, a stuffed 0xFF00); then the
// content is to be read whole.
std::optional<std::int64_t> JpegHeadLength(TPhotoSource& source);

} // namespace kelvara
