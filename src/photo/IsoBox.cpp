// SPDX-License-Identifier: GPL-3.0-or-later
#include "photo/IsoBox.h"

namespace kelvara {

namespace {

template <typename T> T BigEndian(std::string_view bytes, std::size_t at) {
    if (at > bytes.size() || bytes.size() - at < sizeof(T))
        return 0;
    T value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        value = static_cast<T>((value << 8) | static_cast<unsigned char>(bytes[at + i]));
    return value;
}

} // namespace

std::uint16_t BigEndian16(std::string_view bytes, std::size_t at) {
    return BigEndian<std::uint16_t>(bytes, at);
}

std::uint32_t BigEndian32(std::string_view bytes, std::size_t at) {
    return BigEndian<std::uint32_t>(bytes, at);
}

std::uint64_t BigEndian64(std::string_view bytes, std::size_t at) {
    return BigEndian<std::uint64_t>(bytes, at);
}

std::optional<TIsoBox> ReadBoxHeader(IByteSource& source, std::int64_t offset, std::int64_t end) {
    if (offset < 0 || end - offset < 8)
        return std::nullopt;
    // The longest header: 64-bit size and a user type.
    char bytes[32];
    const std::int64_t got = source.ReadAt(offset, bytes, std::min<std::int64_t>(32, end - offset));
    if (got < 8)
        return std::nullopt;
    const std::string_view header(bytes, static_cast<std::size_t>(got));
    TIsoBox box;
    box.offset = offset;
    box.type.assign(header.substr(4, 4));
    box.headerSize = 8;
    const std::uint32_t size32 = BigEndian32(header, 0);
    std::uint64_t size = size32;
    if (size32 == 1) {
        if (got < 16)
            return std::nullopt;
        size = BigEndian64(header, 8);
        box.headerSize = 16;
    } else if (size32 == 0) {
        size = static_cast<std::uint64_t>(end - offset);
    }
    if (box.type == "uuid")
        box.headerSize += 16;
    if (size < static_cast<std::uint64_t>(box.headerSize) ||
        size > static_cast<std::uint64_t>(end - offset) || got < box.headerSize)
        return std::nullopt;
    box.size = static_cast<std::int64_t>(size);
    return box;
}

std::vector<TIsoBox> ChildBoxes(IByteSource& source, std::int64_t from, std::int64_t end,
                                std::size_t most) {
    std::vector<TIsoBox> boxes;
    while (boxes.size() < most) {
        const auto box = ReadBoxHeader(source, from, end);
        if (!box)
            break;
        boxes.push_back(*box);
        from = box->End();
    }
    return boxes;
}

std::optional<std::string> ReadPayload(IByteSource& source, const TIsoBox& box, std::int64_t most,
                                       bool prefix) {
    std::int64_t length = box.PayloadSize();
    if (length > most) {
        if (!prefix)
            return std::nullopt;
        length = most;
    }
    std::string payload(static_cast<std::size_t>(length), '\0');
    if (length > 0 && source.ReadAt(box.PayloadOffset(), payload.data(), length) != length)
        return std::nullopt;
    return payload;
}

} // namespace kelvara
