// SPDX-License-Identifier: GPL-3.0-or-later
#include "photo/AppleMakerNote.h"

#include <cstdint>

namespace kelvara {

namespace {

constexpr std::string_view Header("Apple iOS\0", 10);
constexpr std::uint16_t ContentIdentifierTag = 0x0011;
constexpr std::uint16_t AsciiType = 2;
// A UUID's text; anything much longer is no identifier.
constexpr std::uint32_t MostLength = 128;

class TReader {
public:
    TReader(std::string_view bytes, bool bigEndian) : m_bytes(bytes), m_bigEndian(bigEndian) {}

    bool Has(std::size_t at, std::size_t count) const {
        return at <= m_bytes.size() && count <= m_bytes.size() - at;
    }
    std::uint32_t Number(std::size_t at, std::size_t count) const {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const auto byte =
                static_cast<unsigned char>(m_bytes[at + (m_bigEndian ? i : count - 1 - i)]);
            value = (value << 8) | byte;
        }
        return value;
    }

private:
    std::string_view m_bytes;
    bool m_bigEndian;
};

} // namespace

std::string AppleContentIdentifier(std::string_view note) {
    // The header, a version (2 bytes), the byte order, then the IFD.
    if (!note.starts_with(Header) || note.size() < 16)
        return {};
    const std::string_view order = note.substr(12, 2);
    if (order != "MM" && order != "II")
        return {};
    const TReader reader(note, order == "MM");
    constexpr std::size_t Ifd = 14;
    const std::uint32_t count = reader.Number(Ifd, 2);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t entry = Ifd + 2 + std::size_t{12} * i;
        if (!reader.Has(entry, 12))
            return {};
        if (reader.Number(entry, 2) != ContentIdentifierTag)
            continue;
        const std::uint32_t length = reader.Number(entry + 4, 4);
        if (reader.Number(entry + 2, 2) != AsciiType || length == 0 || length > MostLength)
            return {};
        // Up to four bytes stand in the entry itself.
        const std::size_t at = length <= 4 ? entry + 8 : reader.Number(entry + 8, 4);
        if (!reader.Has(at, length))
            return {};
        std::string_view text = note.substr(at, length);
        text = text.substr(0, text.find('\0'));
        for (const char c : text)
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
                return {};
        return std::string(text);
    }
    return {};
}

} // namespace kelvara
