// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a video's movie box ("moov") says of when, where from and how large:
// read from the box headers down to the few small boxes that hold it, never
// from the sample tables (which grow with the length of the video) and never
// from the media data.
//
//  - the movie header ("mvhd"): its creation time;
//  - the first video track ("trak" whose media handler is "vide"): its
//    display size from the track header ("tkhd");
//  - QuickTime metadata ("meta" with "keys" and "ilst", in the movie box or
//    in its user data), as phones write it: Apple's creation date, model and
//    the content identifier that pairs a Live Photo's video with its photo;
//  - user data ("udta"): the "\xA9day" date and "\xA9mod" model, as
//    QuickTime text or as iTunes-style items, and an XMP packet ("XMP_").
//
// Every text is bounded; what a damaged box hides is simply not known.

#include "photo/ByteSource.h"
#include "photo/IsoBox.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kelvara {

struct TMovieMetadata {
    // Seconds since 1904-01-01 00:00 UTC, as the movie header holds it; 0
    // where the writer had no clock. None where there is no movie header.
    std::optional<std::uint64_t> creationTime;
    // The first video track's display size (whole pixels); 0 when unknown.
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // As written, untrusted; empty where absent.
    std::string appleCreationDate;      // com.apple.quicktime.creationdate
    std::string appleModel;             // com.apple.quicktime.model
    std::string appleContentIdentifier; // com.apple.quicktime.content.identifier
    std::string userDataDate;           // \xA9day
    std::string userDataModel;          // \xA9mod
    std::string xmp;                    // an XMP packet, from the user data or beside the movie
};

// Reads the movie box `moov` of `source`. Never throws for damaged content;
// adds to `metadata` what it finds (several movie-box parts may contribute).
void ReadMovieBox(IByteSource& source, const TIsoBox& moov, TMovieMetadata& metadata);

} // namespace kelvara
