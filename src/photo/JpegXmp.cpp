// SPDX-License-Identifier: GPL-3.0-or-later
#include "photo/JpegXmp.h"

namespace kelvara {

namespace {

constexpr std::string_view XmpIdentifier{"http://ns.adobe.com/xap/1.0/\0", 29};

unsigned Byte(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]);
}

} // namespace

std::optional<std::size_t> JpegXmpIdentifier(std::string_view jpeg) {
    if (jpeg.size() < 4 || Byte(jpeg, 0) != 0xFF || Byte(jpeg, 1) != 0xD8)
        return std::nullopt;
    std::size_t at = 2;
    while (at + 4 <= jpeg.size()) {
        if (Byte(jpeg, at) != 0xFF)
            return std::nullopt;
        const unsigned marker = Byte(jpeg, at + 1);
        // The scan, the image's end, or a marker without a length: the
        // metadata lies before.
        if (marker == 0xDA || marker == 0xD9 || marker == 0xFF || marker == 0x01 ||
            (marker >= 0xD0 && marker <= 0xD8))
            return std::nullopt;
        const std::size_t length = Byte(jpeg, at + 2) << 8 | Byte(jpeg, at + 3);
        if (length < 2)
            return std::nullopt;
        if (marker == 0xE1 && length - 2 >= XmpIdentifier.size() &&
            jpeg.substr(at + 4, XmpIdentifier.size()) == XmpIdentifier)
            return at + 4;
        at += 2 + length;
    }
    return std::nullopt;
}

} // namespace kelvara
