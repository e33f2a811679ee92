// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A small but complete DNG written from scratch: one uncompressed 16-bit
// Bayer (RGGB) image as the file's main image, with the make, model and
// shooting date a camera would write. Tests and benchmarks use it as a
// camera RAW file whose every value they know. Header-only, so that the
// benchmarks can use it without the test framework.

#include <cstdint>
#include <string>
#include <vector>

namespace kelvara::test {

struct MinimalDngPhoto {
    std::uint32_t width = 64;
    std::uint32_t height = 48;
    std::string make = "Kelvara";
    std::string model = "Test Raw 1";
    // "YYYY:MM:DD HH:MM:SS"
    std::string dateTimeOriginal = "2019:07:04 09:15:30";
};

namespace dng_detail {

enum FieldType : std::uint16_t { Byte = 1, Ascii = 2, Short = 3, Long = 4, SRational = 10 };

struct Entry {
    std::uint16_t tag;
    FieldType type;
    std::uint32_t count;
    std::vector<std::uint8_t> value; // little-endian bytes, count * size of type
};

inline void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

inline Entry shorts(std::uint16_t tag, std::vector<std::uint32_t> values) {
    Entry e{tag, Short, static_cast<std::uint32_t>(values.size()), {}};
    for (auto v : values)
        put16(e.value, v);
    return e;
}

inline Entry longs(std::uint16_t tag, std::vector<std::uint32_t> values) {
    Entry e{tag, Long, static_cast<std::uint32_t>(values.size()), {}};
    for (auto v : values)
        put32(e.value, v);
    return e;
}

inline Entry bytes(std::uint16_t tag, std::vector<std::uint8_t> values) {
    return Entry{tag, Byte, static_cast<std::uint32_t>(values.size()), std::move(values)};
}

inline Entry ascii(std::uint16_t tag, const std::string& text) {
    Entry e{tag, Ascii, static_cast<std::uint32_t>(text.size() + 1), {}};
    e.value.assign(text.begin(), text.end());
    e.value.push_back(0);
    return e;
}

inline Entry srationals(std::uint16_t tag, std::vector<std::int32_t> pairs) {
    Entry e{tag, SRational, static_cast<std::uint32_t>(pairs.size() / 2), {}};
    for (auto v : pairs)
        put32(e.value, static_cast<std::uint32_t>(v));
    return e;
}

// Appends an IFD at the end of `out` (word-aligned), its long values after
// it; the entries must be sorted by tag. Returns the IFD's offset.
inline std::uint32_t writeIfd(std::vector<std::uint8_t>& out, const std::vector<Entry>& entries) {
    if (out.size() % 2)
        out.push_back(0);
    const auto at = static_cast<std::uint32_t>(out.size());
    std::uint32_t spill = at + 2 + 12 * static_cast<std::uint32_t>(entries.size()) + 4;
    std::vector<std::uint8_t> tail;
    put16(out, static_cast<std::uint32_t>(entries.size()));
    for (const Entry& e : entries) {
        put16(out, e.tag);
        put16(out, e.type);
        put32(out, e.count);
        if (e.value.size() <= 4) {
            std::vector<std::uint8_t> inline4 = e.value;
            inline4.resize(4, 0);
            out.insert(out.end(), inline4.begin(), inline4.end());
        } else {
            put32(out, spill + static_cast<std::uint32_t>(tail.size()));
            tail.insert(tail.end(), e.value.begin(), e.value.end());
            if (tail.size() % 2)
                tail.push_back(0);
        }
    }
    put32(out, 0); // no next IFD
    out.insert(out.end(), tail.begin(), tail.end());
    return at;
}

} // namespace dng_detail

// The file's bytes. Layout: header, Exif IFD, IFD0, pixel data last, so that
// cutting the file short takes pixels away first.
inline std::string minimalDng(const MinimalDngPhoto& photo = {}) {
    using namespace dng_detail;
    std::vector<std::uint8_t> out = {'I', 'I', 42, 0, 0, 0, 0, 0};

    const std::uint32_t exifIfd =
        writeIfd(out, {ascii(36867, photo.dateTimeOriginal), ascii(36868, photo.dateTimeOriginal)});

    const std::uint32_t pixelBytes = photo.width * photo.height * 2;
    // IFD0's size does not depend on where the pixels go, so write it once
    // to learn where it ends, then again with the real offset.
    const auto ifd0 = [&](std::uint32_t pixelsAt) {
        return std::vector<Entry>{
            longs(254, {0}), // NewSubfileType: the main image
            longs(256, {photo.width}),
            longs(257, {photo.height}),
            shorts(258, {16}),    // BitsPerSample
            shorts(259, {1}),     // Compression: none
            shorts(262, {32803}), // PhotometricInterpretation: CFA
            ascii(271, photo.make),
            ascii(272, photo.model),
            longs(273, {pixelsAt}), // StripOffsets
            shorts(274, {1}),       // Orientation
            shorts(277, {1}),       // SamplesPerPixel
            longs(278, {photo.height}),
            longs(279, {pixelBytes}),
            shorts(284, {1}), // PlanarConfiguration
            ascii(306, photo.dateTimeOriginal),
            shorts(33421, {2, 2}),                        // CFARepeatPatternDim
            bytes(33422, {0, 1, 1, 2}),                   // CFAPattern: RGGB
            longs(34665, {exifIfd}),                      // ExifIFD
            bytes(50706, {1, 4, 0, 0}),                   // DNGVersion
            bytes(50707, {1, 1, 0, 0}),                   // DNGBackwardVersion
            ascii(50708, photo.make + " " + photo.model), // UniqueCameraModel
            longs(50717, {4095}),                         // WhiteLevel
            srationals(50721, {10000, 10000, 0, 10000, 0, 10000, 0, 10000, 10000, 10000, 0, 10000,
                               0, 10000, 0, 10000, 10000, 10000}), // ColorMatrix1
            shorts(50778, {21}),                                   // CalibrationIlluminant1: D65
        };
    };
    std::vector<std::uint8_t> probe = out;
    writeIfd(probe, ifd0(0));
    const auto pixelsAt = static_cast<std::uint32_t>(probe.size() + probe.size() % 2);
    const std::uint32_t ifd0At = writeIfd(out, ifd0(pixelsAt));
    out.resize(pixelsAt, 0);
    out[4] = static_cast<std::uint8_t>(ifd0At);
    out[5] = static_cast<std::uint8_t>(ifd0At >> 8);
    out[6] = static_cast<std::uint8_t>(ifd0At >> 16);
    out[7] = static_cast<std::uint8_t>(ifd0At >> 24);

    // A smooth 12-bit ramp, so the data looks like an exposure, not noise.
    for (std::uint32_t y = 0; y < photo.height; ++y)
        for (std::uint32_t x = 0; x < photo.width; ++x)
            put16(out, (x * 4095 / photo.width + y * 1000 / photo.height) % 4096);
    return std::string(out.begin(), out.end());
}

} // namespace kelvara::test
