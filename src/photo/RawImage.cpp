// SPDX-License-Identifier: GPL-3.0-or-later
#include "photo/RawImage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <libraw/libraw.h>
#include <memory>

namespace kelvara {

namespace {

// The RAW decoder's view of a file that is read where the decoder looks.
// It answers as the decoder's own memory stream does for the whole content
// (the same positions, sizes and end-of-file), so that a file and its
// content give the same header.
class TRawSourceStream final : public LibRaw_abstract_datastream {
public:
    explicit TRawSourceStream(TPhotoSource& source)
        : m_source(source), m_size(static_cast<INT64>(source.Size())) {}

    int valid() override { return 1; }
    int read(void* data, size_t size, size_t count) override {
        INT64 wanted = static_cast<INT64>(size * count);
        wanted = std::min(wanted, m_size - m_position);
        if (wanted < 1)
            return 0;
        const INT64 got = m_source.ReadInto(m_position, static_cast<char*>(data), wanted);
        m_position += got;
        return static_cast<int>((got + static_cast<INT64>(size) - 1) /
                                static_cast<INT64>(size > 0 ? size : 1));
    }
    int seek(INT64 offset, int whence) override {
        INT64 base = 0;
        if (whence == SEEK_CUR)
            base = m_position;
        else if (whence == SEEK_END)
            base = m_size;
        else if (whence != SEEK_SET)
            return 0;
        m_position = std::clamp<INT64>(base + offset, 0, m_size);
        return 0;
    }
    INT64 tell() override { return m_position; }
    INT64 size() override { return m_size; }
    int get_char() override {
        if (m_position >= m_size)
            return -1;
        char byte = 0;
        if (m_source.ReadInto(m_position, &byte, 1) != 1)
            return -1;
        ++m_position;
        return static_cast<unsigned char>(byte);
    }
    // A line up to and with its '\n', at most `size` - 1 characters, as the
    // memory stream gives it.
    char* gets(char* text, int size) override {
        if (size < 1 || m_position >= m_size)
            return nullptr;
        int length = 0;
        while (length < size - 1 && m_position < m_size) {
            const int byte = get_char();
            if (byte < 0)
                break;
            text[length++] = static_cast<char>(byte);
            if (byte == '\n')
                break;
        }
        text[length] = '\0';
        return text;
    }
    // One value read with `format` from the text at the position, which then
    // moves past it (at most 24 characters further) as the memory stream's
    // does.
    int scanf_one(const char* format, void* value) override {
        if (m_position > m_size)
            return 0;
        std::array<char, 64> text{};
        m_source.ReadInto(m_position, text.data(), static_cast<INT64>(text.size() - 1));
        // The decoder's own formats ("%d", "%f"), as its memory stream takes them.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        const int result = std::sscanf(text.data(), format, value);
#pragma GCC diagnostic pop
        if (result > 0) {
            for (int moved = 1; m_position < m_size - 1; ++moved) {
                ++m_position;
                const int byte = PeekChar();
                if (byte == 0 || byte == ' ' || byte == '\t' || byte == '\n' || moved > 24)
                    break;
            }
        }
        return result;
    }
    int eof() override {
        return m_position >= m_size ? 1 : 0;
    }
    void* make_jas_stream() override {
        return nullptr;
    }

private:
    int PeekChar() {
        char byte = 0;
        return m_source.ReadInto(m_position, &byte, 1) == 1 ? static_cast<unsigned char>(byte) : -1;
    }

    TPhotoSource& m_source;
    INT64 m_size;
    INT64 m_position = 0;
};

} // namespace

std::optional<TRawImageHeader> ReadRawImageHeader(TPhotoSource& source) {
    if (source.Size() == 0)
        return std::nullopt;
    // Made before the decoder, so that it outlives it.
    TRawSourceStream stream(source);
    // The decoder's object is several hundred KiB: on the heap. Without these
    // options it would report a damaged file on stderr.
    const auto raw = std::make_unique<LibRaw>(LIBRAW_OPIONS_NO_MEMERR_CALLBACK |
                                              LIBRAW_OPIONS_NO_DATAERR_CALLBACK);
    if (const TBytes* whole = source.Whole()) {
        // open_buffer only reads the buffer; this version of the decoder
        // merely lacks the const in its signature.
        if (raw->open_buffer(const_cast<char*>(CharData(*whole)), whole->size()) != LIBRAW_SUCCESS)
            return std::nullopt;
    } else if (raw->open_datastream(&stream) != LIBRAW_SUCCESS) {
        return std::nullopt;
    }
    const libraw_image_sizes_t& sizes = raw->imgdata.sizes;
    if (sizes.raw_width == 0 || sizes.raw_height == 0 || sizes.width == 0 || sizes.height == 0)
        return std::nullopt;

    TRawImageHeader header;
    header.size = TPixelSize{sizes.width, sizes.height};
    // Where the sensor data starts and, for most formats, how long it is.
    const auto& unpacker = raw->get_internal_data_pointer()->unpacker_data;
    const auto fileSize = static_cast<std::uint64_t>(source.Size());
    const auto offset = static_cast<std::uint64_t>(unpacker.data_offset);
    header.dataComplete =
        unpacker.data_offset >= 0 && offset < fileSize && unpacker.data_size <= fileSize - offset;
    return header;
}

std::optional<TRawImageHeader> ReadRawImageHeader(const TBytes& content) {
    TContentSource source(content);
    return ReadRawImageHeader(source);
}

} // namespace kelvara
