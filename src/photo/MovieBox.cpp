// SPDX-License-Identifier: GPL-3.0-or-later
#include "photo/MovieBox.h"

#include <array>
#include <vector>

namespace kelvara {

namespace {

// Children of any one box looked at, at most: a movie holds a few tracks, a
// user data box a few dozen items.
constexpr std::size_t MostChildren = 512;
// The fixed-size headers we read a prefix of.
constexpr std::int64_t HeaderPrefix = 128;
// Metadata boxes (keys, items, user data texts, XMP) read whole, at most.
constexpr std::int64_t MostMetadata = 1024 * 1024;
// Keys of a QuickTime metadata box taken, at most.
constexpr std::size_t MostKeys = 4096;

std::vector<TIsoBox> Children(IByteSource& source, const TIsoBox& box, std::int64_t skip = 0) {
    return ChildBoxes(source, box.PayloadOffset() + skip, box.End(), MostChildren);
}

std::string_view Sub(std::string_view bytes, std::size_t at, std::size_t length) {
    return at > bytes.size() ? std::string_view() : bytes.substr(at, length);
}

void ReadMovieHeader(IByteSource& source, const TIsoBox& box, TMovieMetadata& metadata) {
    const auto payload = ReadPayload(source, box, HeaderPrefix, true);
    if (!payload || metadata.creationTime)
        return;
    // Version 1 has 64-bit times after the version and flags.
    if ((*payload)[0] == 1 && payload->size() >= 12)
        metadata.creationTime = BigEndian64(*payload, 4);
    else if ((*payload)[0] == 0 && payload->size() >= 8)
        metadata.creationTime = BigEndian32(*payload, 4);
}

// The display size of a track header, 16.16 fixed point, rounded.
std::optional<std::array<std::uint32_t, 2>> TrackSize(IByteSource& source, const TIsoBox& box) {
    const auto payload = ReadPayload(source, box, HeaderPrefix, true);
    if (!payload || payload->empty())
        return std::nullopt;
    // Version 1 widens three times to 64 bits.
    const std::size_t at = (*payload)[0] == 1 ? 88 : 76;
    if (payload->size() < at + 8)
        return std::nullopt;
    const auto whole = [](std::uint32_t fixed) { return (fixed >> 16) + ((fixed >> 15) & 1); };
    return std::array<std::uint32_t, 2>{whole(BigEndian32(*payload, at)),
                                        whole(BigEndian32(*payload, at + 4))};
}

// The handler type of a media box ("vide", "soun", ...), empty when none.
std::string MediaHandler(IByteSource& source, const TIsoBox& mdia) {
    for (const TIsoBox& child : Children(source, mdia)) {
        if (child.type != "hdlr")
            continue;
        const auto payload = ReadPayload(source, child, HeaderPrefix, true);
        // Version and flags, the QuickTime component type, then the subtype.
        return payload ? std::string(Sub(*payload, 8, 4)) : std::string();
    }
    return {};
}

void ReadTrack(IByteSource& source, const TIsoBox& trak, TMovieMetadata& metadata) {
    std::optional<std::array<std::uint32_t, 2>> size;
    std::string handler;
    for (const TIsoBox& child : Children(source, trak)) {
        if (child.type == "tkhd")
            size = TrackSize(source, child);
        else if (child.type == "mdia")
            handler = MediaHandler(source, child);
    }
    // Sound and timed metadata tracks have no size; a track without a
    // handler counts by its size alone.
    if (!size || (*size)[0] == 0 || (*size)[1] == 0 || (!handler.empty() && handler != "vide"))
        return;
    metadata.width = (*size)[0];
    metadata.height = (*size)[1];
}

// A text up to its first NUL, without blanks around it.
std::string CleanText(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

// The value of a "data" box among `payload`'s children, when it is text.
std::string DataText(std::string_view payload) {
    for (std::size_t at = 0; at + 16 <= payload.size();) {
        const std::uint32_t size = BigEndian32(payload, at);
        if (size < 8 || size > payload.size() - at)
            break;
        // The well-known type (1 is UTF-8), then a locale; then the value.
        if (Sub(payload, at + 4, 4) == "data" && size >= 16 && BigEndian32(payload, at + 8) == 1)
            return CleanText(Sub(payload, at + 16, size - 16));
        at += size;
    }
    return {};
}

// A QuickTime user data text: a 16-bit length and a language code, then
// the text; iTunes-style writers put a "data" box there instead.
std::string UserDataText(std::string_view payload) {
    const std::uint16_t length = BigEndian16(payload, 0);
    if (payload.size() >= 4 && length > 0 && length <= payload.size() - 4 &&
        Sub(payload, 4, 4) != "data")
        return CleanText(Sub(payload, 4, length));
    return DataText(payload);
}

void TakeItem(std::string_view name, std::string value, TMovieMetadata& metadata) {
    std::string* field = nullptr;
    if (name == "com.apple.quicktime.creationdate")
        field = &metadata.appleCreationDate;
    else if (name == "com.apple.quicktime.model")
        field = &metadata.appleModel;
    else if (name == "com.apple.quicktime.content.identifier")
        field = &metadata.appleContentIdentifier;
    else if (name == "\xA9"
                     "day")
        field = &metadata.userDataDate;
    else if (name == "\xA9"
                     "mod")
        field = &metadata.userDataModel;
    if (field != nullptr && field->empty())
        *field = std::move(value);
}

std::vector<std::string> Keys(std::string_view payload) {
    // Version and flags, the count, then each key: its size (with these 8
    // bytes), its namespace and its name.
    std::vector<std::string> keys;
    const std::uint32_t count = BigEndian32(payload, 4);
    for (std::size_t at = 8;
         keys.size() < count && keys.size() < MostKeys && at + 8 <= payload.size();) {
        const std::uint32_t size = BigEndian32(payload, at);
        if (size < 8 || size > payload.size() - at)
            break;
        keys.emplace_back(Sub(payload, at + 8, size - 8));
        at += size;
    }
    return keys;
}

void ReadMetadataBox(IByteSource& source, const TIsoBox& meta, TMovieMetadata& metadata) {
    // QuickTime's metadata box holds its children at once; the ISO one (and
    // iTunes-style ones inside user data) has a version and flags first:
    // zeros, where QuickTime's first child has its size.
    char peek[8];
    std::int64_t skip = 0;
    if (source.ReadAt(meta.PayloadOffset(), peek, 8) == 8 &&
        std::string_view(peek + 4, 4) != "hdlr" && BigEndian32(std::string_view(peek, 4), 0) == 0)
        skip = 4;
    std::vector<std::string> keys;
    std::optional<TIsoBox> items;
    for (const TIsoBox& child : Children(source, meta, skip)) {
        if (child.type == "keys") {
            if (const auto payload = ReadPayload(source, child, MostMetadata))
                keys = Keys(*payload);
        } else if (child.type == "ilst") {
            items = child;
        }
    }
    if (!items)
        return;
    for (const TIsoBox& item : Children(source, *items)) {
        const auto payload = ReadPayload(source, item, MostMetadata);
        if (!payload)
            continue;
        // An item's type is its key's number, counted from 1, where there
        // are keys; else its own name ("\xA9day").
        const std::uint32_t index = BigEndian32(item.type, 0);
        const std::string_view name =
            index >= 1 && index <= keys.size() ? std::string_view(keys[index - 1]) : item.type;
        TakeItem(name, DataText(*payload), metadata);
    }
}

void ReadUserData(IByteSource& source, const TIsoBox& udta, TMovieMetadata& metadata) {
    for (const TIsoBox& child : Children(source, udta)) {
        if (child.type == "meta") {
            ReadMetadataBox(source, child, metadata);
        } else if (child.type == "XMP_") {
            if (const auto payload = ReadPayload(source, child, MostMetadata);
                payload && metadata.xmp.empty())
                metadata.xmp = *payload;
        } else if (child.type == "\xA9"
                                 "day" ||
                   child.type == "\xA9"
                                 "mod") {
            if (const auto payload = ReadPayload(source, child, MostMetadata))
                TakeItem(child.type, UserDataText(*payload), metadata);
        }
    }
}

} // namespace

void ReadMovieBox(IByteSource& source, const TIsoBox& moov, TMovieMetadata& metadata) {
    for (const TIsoBox& child : Children(source, moov)) {
        if (child.type == "mvhd")
            ReadMovieHeader(source, child, metadata);
        else if (child.type == "trak" && metadata.width == 0)
            ReadTrack(source, child, metadata);
        else if (child.type == "meta")
            ReadMetadataBox(source, child, metadata);
        else if (child.type == "udta")
            ReadUserData(source, child, metadata);
    }
}

} // namespace kelvara
