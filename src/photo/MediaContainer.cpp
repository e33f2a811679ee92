// SPDX-License-Identifier: GPL-3.0-or-later
#include "photo/MediaContainer.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace kelvara {

namespace {

std::uint32_t BigEndian32(std::string_view bytes) {
    std::uint32_t value = 0;
    for (const char byte : bytes.substr(0, 4))
        value = (value << 8) | static_cast<unsigned char>(byte);
    return value;
}

// The brands of still images (and image sequences) in the ISO family: what
// libheif and the RAW decoder take, and then some; a file that names one of
// them is left to them.
bool IsStillImageBrand(std::string_view brand) {
    constexpr std::array<std::string_view, 30> Still = {
        "mif1", "mif2", "mif3", "msf1", "heic", "heix", "heim", "heis", "hevc", "hevx",
        "hevm", "hevs", "avif", "avis", "avio", "avci", "avcs", "1pic", "jpeg", "jpgs",
        "j2ki", "j2is", "miaf", "MiHA", "MiHB", "MiHE", "MiAC", "MiCm", "crx ", "vvic"};
    return std::find(Still.begin(), Still.end(), brand) != Still.end();
}

// An ISO media file (its file-type box first) that names no still image
// brand, major or compatible.
bool IsIsoVideo(std::string_view head) {
    if (head.size() < 16 || head.substr(4, 4) != "ftyp")
        return false;
    std::uint64_t size = BigEndian32(head);
    if (size == 0 || size > head.size())
        size = head.size(); // to the end of the file, or beyond the head
    if (size < 16)
        return false;
    if (IsStillImageBrand(head.substr(8, 4)))
        return false;
    // The minor version (12..15) is no brand.
    for (std::uint64_t at = 16; at + 4 <= size; at += 4)
        if (IsStillImageBrand(head.substr(at, 4)))
            return false;
    return true;
}

// A QuickTime movie as older cameras wrote it, without a file-type box: its
// first atom is the movie, its data or padding.
bool IsClassicQuickTime(std::string_view head) {
    if (head.size() < 8)
        return false;
    const std::uint32_t size = BigEndian32(head);
    if (size != 1 && size < 8)
        return false;
    const std::string_view type = head.substr(4, 4);
    return type == "moov" || type == "mdat" || type == "wide" || type == "free" || type == "skip" ||
           type == "pnot";
}

// A sync byte at `first` and every `packet` bytes after it, over the whole
// head and at least over five packets.
bool IsTransportStream(std::string_view head, std::size_t first, std::size_t packet) {
    if (head.size() < first + 5 * packet)
        return false;
    for (std::size_t at = first; at < head.size(); at += packet)
        if (head[at] != '\x47')
            return false;
    return true;
}

} // namespace

bool IsQuickTimeMovie(std::string_view head) {
    head = head.substr(0, std::min(head.size(), MediaSignatureSpan));
    return IsIsoVideo(head) || IsClassicQuickTime(head);
}

bool IsMediaContainer(std::string_view head) {
    if (IsQuickTimeMovie(head))
        return true;
    head = head.substr(0, std::min(head.size(), MediaSignatureSpan));
    if (head.size() >= 12 && head.substr(0, 4) == "RIFF" && head.substr(8, 4) != "WEBP")
        return true;
    if (head.starts_with("\x1A\x45\xDF\xA3"))
        return true;
    if (IsTransportStream(head, 0, 188) || IsTransportStream(head, 4, 192) ||
        IsTransportStream(head, 0, 204))
        return true;
    if (head.starts_with(std::string_view("\x00\x00\x01\xBA", 4)))
        return true;
    constexpr std::string_view Asf(
        "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
    if (head.starts_with(Asf))
        return true;
    return head.starts_with("FLV\x01");
}

} // namespace kelvara
