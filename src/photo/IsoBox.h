// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The boxes (QuickTime's atoms) of the ISO base media file format, which
// MP4, MOV, M4V and 3GP files are made of: a size, a four-character type and
// the payload, nested. Only headers are read to find a box; a payload is read
// only when asked for, and only up to a bound the caller gives, so that a
// hostile size can neither make us allocate gigabytes nor read the media
// data of a large video.
//
// Sizes as the format has them: 32 bits, or 64 bits after a size of 1 (the
// media data of a file above 4 GB), or 0 for a box that runs to the end of
// its parent (at the top, of the file). A box that claims to run past its
// parent, or to be smaller than its own header, ends the walk: what follows
// it cannot be found.

#include "photo/ByteSource.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvara {

struct TIsoBox {
    std::string type;            // four characters, as bytes ("moov", "\xA9day")
    std::int64_t offset = 0;     // of its header, in the file
    std::int64_t headerSize = 0; // 8, 16 with a 64-bit size, +16 for a "uuid" box's user type
    std::int64_t size = 0;       // header and payload

    std::int64_t PayloadOffset() const { return offset + headerSize; }
    std::int64_t PayloadSize() const { return size - headerSize; }
    std::int64_t End() const { return offset + size; }
};

// The box whose header starts at `offset`, in a parent whose payload ends at
// `end`; nullopt where no whole header fits or the box does not fit.
std::optional<TIsoBox> ReadBoxHeader(IByteSource& source, std::int64_t offset, std::int64_t end);

// The boxes from `from` to `end`, one after the other, at most `most` of
// them; the walk stops at the first that does not fit. Only their headers
// are read.
std::vector<TIsoBox> ChildBoxes(IByteSource& source, std::int64_t from, std::int64_t end,
                                std::size_t most);

// A box's payload, or its first `most` bytes when `prefix` allows a shorter
// one; nullopt when the payload is longer than `most` (and no prefix is
// asked for) or cannot be read whole.
std::optional<std::string> ReadPayload(IByteSource& source, const TIsoBox& box, std::int64_t most,
                                       bool prefix = false);

// Big-endian numbers at `at` in `bytes`; 0 where they would run past its end.
std::uint16_t BigEndian16(std::string_view bytes, std::size_t at);
std::uint32_t BigEndian32(std::string_view bytes, std::size_t at);
std::uint64_t BigEndian64(std::string_view bytes, std::size_t at);

} // namespace kelvara
