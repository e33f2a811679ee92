#include "photo/RawImage.h"

#include <cstdint>
#include <libraw/libraw.h>
#include <memory>

namespace kelvara {

std::optional<TRawImageHeader> ReadRawImageHeader(const QByteArray& content) {
    if (content.isEmpty())
        return std::nullopt;
    // The decoder's object is several hundred KiB: on the heap. Without these
    // options it would report a damaged file on stderr.
    const auto raw = std::make_unique<LibRaw>(LIBRAW_OPIONS_NO_MEMERR_CALLBACK |
                                              LIBRAW_OPIONS_NO_DATAERR_CALLBACK);
    // open_buffer only reads the buffer; this version of the decoder merely
    // lacks the const in its signature.
    if (raw->open_buffer(const_cast<char*>(content.constData()),
                         static_cast<size_t>(content.size())) != LIBRAW_SUCCESS)
        return std::nullopt;
    const libraw_image_sizes_t& sizes = raw->imgdata.sizes;
    if (sizes.raw_width == 0 || sizes.raw_height == 0 || sizes.width == 0 || sizes.height == 0)
        return std::nullopt;

    TRawImageHeader header;
    header.size = QSize(sizes.width, sizes.height);
    // Where the sensor data starts and, for most formats, how long it is.
    const auto& unpacker = raw->get_internal_data_pointer()->unpacker_data;
    const auto fileSize = static_cast<std::uint64_t>(content.size());
    const auto offset = static_cast<std::uint64_t>(unpacker.data_offset);
    header.dataComplete =
        unpacker.data_offset >= 0 && offset < fileSize && unpacker.data_size <= fileSize - offset;
    return header;
}

} // namespace kelvara
