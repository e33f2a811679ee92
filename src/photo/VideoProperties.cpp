// SPDX-License-Identifier: GPL-3.0-or-later
#include "photo/VideoProperties.h"

#include "photo/IsoBox.h"
#include "photo/MediaContainer.h"
#include "photo/MovieBox.h"
#include "photo/VideoDate.h"

#include <string_view>

namespace kelvara {

namespace {

// Top-level boxes looked at, at most: a camera's file has a handful; a
// fragmented one keeps its movie box in front.
constexpr std::size_t MostTopLevelBoxes = 64;
// Top-level headers looked at after the movie box, for an XMP box that
// some editors put after the media data.
constexpr std::size_t MostBoxesAfterMovie = 3;
constexpr std::int64_t MostXmp = 1024 * 1024;

// The user type of Adobe's XMP box at the top of ISO media files.
constexpr std::string_view
    XmpUuid("\xBE\x7A\xCF\xCB\x97\xA9\x42\xE8\x9C\x71\x99\x94\x91\xE3\xAF\xAC", 16);

bool IsXmpBox(IByteSource& source, const TIsoBox& box) {
    if (box.type != "uuid")
        return false;
    char type[16];
    return source.ReadAt(box.PayloadOffset() - 16, type, 16) == 16 &&
           std::string_view(type, 16) == XmpUuid;
}

std::string SizeText(std::uint32_t width, std::uint32_t height) {
    if (width == 0 || height == 0)
        return {};
    return std::to_string(width) + " x " + std::to_string(height);
}

} // namespace

std::optional<TVideoProperties> ReadVideoProperties(IByteSource& source) {
    // As much of the head as the container test looks at.
    std::string head(static_cast<std::size_t>(std::min<std::int64_t>(
                         source.Size(), static_cast<std::int64_t>(MediaSignatureSpan))),
                     '\0');
    head.resize(static_cast<std::size_t>(std::max<std::int64_t>(
        0, source.ReadAt(0, head.data(), static_cast<std::int64_t>(head.size())))));
    if (!IsQuickTimeMovie(head))
        return std::nullopt;
    head = {};

    TVideoProperties properties;
    TMovieMetadata metadata;
    bool movie = false;
    std::size_t afterMovie = 0;
    std::int64_t at = 0;
    for (std::size_t count = 0; count < MostTopLevelBoxes; ++count) {
        const auto box = ReadBoxHeader(source, at, source.Size());
        if (!box)
            break;
        at = box->End();
        if (box->type == "moov" && !movie) {
            movie = true;
            if (box->size > MostMovieBoxSize)
                properties.failure = "movie box too large";
            else
                ReadMovieBox(source, *box, metadata);
        } else if (IsXmpBox(source, *box) && metadata.xmp.empty()) {
            if (const auto xmp = ReadPayload(source, *box, MostXmp))
                metadata.xmp = *xmp;
        }
        if (movie && afterMovie++ == MostBoxesAfterMovie)
            break;
    }
    if (!movie)
        properties.failure = "no movie box";

    const TVideoDate date = VideoDate(metadata);
    properties.DateTaken = date.text;
    properties.DateSource = date.source;
    properties.Dimensions = SizeText(metadata.width, metadata.height);
    properties.CameraModel =
        !metadata.appleModel.empty() ? metadata.appleModel : metadata.userDataModel;
    properties.ContentIdentifier = metadata.appleContentIdentifier;
    if (properties.DateTaken.empty() && properties.failure.empty())
        properties.failure = "no date";
    return properties;
}

} // namespace kelvara
