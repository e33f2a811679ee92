// SPDX-License-Identifier: GPL-3.0-or-later
#include "photo/JpegHead.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace kelvara {

namespace {

// Reads a source byte by byte through a small buffer.
class TByteCursor {
public:
    explicit TByteCursor(TPhotoSource& source) : m_source(source) {}

    std::int64_t Position() const { return m_position; }
    void Skip(std::int64_t count) { m_position += count; }
    // The next byte, or -1 at the end.
    int Next() {
        if (m_position < m_bufferStart || m_position >= m_bufferStart + m_bufferLength) {
            m_bufferStart = m_position;
            m_bufferLength = m_source.ReadInto(m_position, m_buffer.data(),
                                               static_cast<std::int64_t>(m_buffer.size()));
            if (m_bufferLength <= 0)
                return -1;
        }
        return static_cast<unsigned char>(
            m_buffer[static_cast<size_t>(m_position++ - m_bufferStart)]);
    }

private:
    TPhotoSource& m_source;
    std::array<char, 4096> m_buffer{};
    std::int64_t m_bufferStart = 0;
    std::int64_t m_bufferLength = 0;
    std::int64_t m_position = 0;
};

constexpr int StartOfImage = 0xD8;
constexpr int EndOfImage = 0xD9;
constexpr int StartOfScan = 0xDA;
constexpr int App2 = 0xE2;
// The metadata library reads this many bytes after each marker before it
// looks at what they are.
constexpr std::int64_t ReadAhead = 64;

// An ICC profile in one piece may be shorter than its segment; the metadata
// library then reads the profile alone and looks for the next marker from
// there, which a marker byte in the padding would mislead.
bool PaddingHidesAMarker(TPhotoSource& source, std::int64_t payload, int length) {
    char header[18];
    if (length < 2 + 18 || source.ReadInto(payload, header, sizeof header) != sizeof header ||
        std::string_view(header, 11) != "ICC_PROFILE" || header[12] != 1 || header[13] != 1)
        return false;
    std::uint32_t profile = 0;
    for (int i = 14; i < 18; ++i)
        profile = (profile << 8) | static_cast<unsigned char>(header[i]);
    const std::int64_t room = length - 2 - 14;
    if (profile >= static_cast<std::uint64_t>(room))
        return false;
    const TBytes padding = source.Read(payload + 14 + profile, room - profile);
    return static_cast<std::int64_t>(padding.size()) != room - static_cast<std::int64_t>(profile) ||
           ByteText(padding).find('\xFF') != std::string_view::npos;
}

} // namespace

std::optional<std::int64_t> JpegHeadLength(TPhotoSource& source) {
    const std::string_view head = ByteText(source.Head());
    if (head.size() < 4 || static_cast<unsigned char>(head[0]) != 0xFF ||
        static_cast<unsigned char>(head[1]) != StartOfImage)
        return std::nullopt;
    TByteCursor cursor(source);
    cursor.Skip(2);
    for (;;) {
        // The next segment starts right here, after any fill bytes.
        int byte = cursor.Next();
        if (byte != 0xFF)
            return std::nullopt;
        while (byte == 0xFF)
            byte = cursor.Next();
        const int marker = byte;
        if (marker < 0 || marker == 0x00 || marker == 0x01 || marker == StartOfImage ||
            (marker >= 0xD0 && marker <= 0xD7))
            return std::nullopt;
        if (marker == EndOfImage)
            return std::min(source.Size(), cursor.Position() + ReadAhead);
        const std::int64_t lengthAt = cursor.Position();
        const int high = cursor.Next();
        const int low = cursor.Next();
        if (high < 0 || low < 0)
            return std::nullopt;
        const int length = (high << 8) | low;
        if (length < 2)
            return std::nullopt;
        if (marker == App2 && PaddingHidesAMarker(source, lengthAt + 2, length))
            return std::nullopt;
        cursor.Skip(length - 2);
        if (cursor.Position() > source.Size())
            return std::nullopt;
        if (marker == StartOfScan)
            return std::min(source.Size(), cursor.Position() + ReadAhead);
    }
}

} // namespace kelvara
