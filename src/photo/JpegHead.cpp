#include "photo/JpegHead.h"

#include <array>

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

bool Standalone(int marker) {
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

} // namespace

std::optional<std::int64_t> JpegHeadLength(TPhotoSource& source) {
    const QByteArray& head = source.Head();
    if (head.size() < 4 || static_cast<unsigned char>(head[0]) != 0xFF ||
        static_cast<unsigned char>(head[1]) != StartOfImage)
        return std::nullopt;
    TByteCursor cursor(source);
    cursor.Skip(2);
    for (;;) {
        int byte = cursor.Next();
        while (byte >= 0 && byte != 0xFF)
            byte = cursor.Next();
        while (byte == 0xFF)
            byte = cursor.Next();
        if (byte < 0 || byte == 0x00)
            return std::nullopt;
        const int marker = byte;
        if (Standalone(marker))
            continue;
        if (marker == StartOfImage || marker == EndOfImage)
            return cursor.Position();
        const int high = cursor.Next();
        const int low = cursor.Next();
        if (high < 0 || low < 0)
            return std::nullopt;
        const int length = (high << 8) | low;
        if (length < 2)
            return std::nullopt;
        cursor.Skip(length - 2);
        if (cursor.Position() > source.Size())
            return std::nullopt;
        if (marker == StartOfScan)
            return cursor.Position();
    }
}

} // namespace kelvara
