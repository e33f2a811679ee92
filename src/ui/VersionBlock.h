// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The layout of the version block that the executable carries among its
// bytes, and what reads it. There is no version resource on Linux, so the
// strings are compiled in as one self-checking block that a reader finds by
// scanning any file for it:
//
//   16 bytes   Magic
//   u32        payload size in bytes (little-endian, as every figure here)
//   u32        FNV-1a hash of the payload
//   payload:   u16 x4 fixed file version, u16 x4 fixed product version,
//              u16 language, u16 code page,
//              then per string: key, NUL, value (UTF-8), NUL;
//              an empty key ends the list
//
// A file may hold the magic elsewhere (this reader's own copy of it, for a
// start); only a block whose size and hash agree counts.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QString;

namespace kelvara {

inline constexpr std::array<unsigned char, 16> VersionBlockMagic = {
    'K', 'E', 'L', 'V', 'A', 'R', 'A', '-', 'V', 'E', 'R', 'S', 'I', 'O', 'N', 0x1A};
inline constexpr std::size_t VersionBlockHeaderSize = VersionBlockMagic.size() + 8;
// A block larger than this is taken for a false find.
inline constexpr std::uint32_t VersionBlockMaxPayload = 64 * 1024;

// The translation context of the version strings that are words rather than
// data (the description): where the executable's strings are written, they
// are marked for the catalogs under this context, and the information
// window looks them up under it.
inline constexpr char VersionStringsContext[] = "VersionStrings";

struct TVersionString {
    std::string_view key;
    std::string_view value;
};

struct TVersionNumbers {
    std::array<std::uint16_t, 4> fileVersion{};
    std::array<std::uint16_t, 4> productVersion{};
    std::uint16_t language = 0;
    std::uint16_t codePage = 0;
};

// What a reader finds in a block.
struct TVersionBlock {
    TVersionNumbers numbers;
    std::vector<std::pair<std::string, std::string>> strings; // in block order
};

constexpr std::uint32_t Fnv1a(std::span<const unsigned char> bytes) {
    std::uint32_t hash = 2166136261u;
    for (const unsigned char b : bytes) {
        hash ^= b;
        hash *= 16777619u;
    }
    return hash;
}

// "0.8.4.24" as four numbers; a part that is missing is 0.
constexpr std::array<std::uint16_t, 4> ParseVersionNumbers(std::string_view text) {
    std::array<std::uint16_t, 4> parts{};
    std::size_t part = 0;
    for (const char c : text) {
        if (c == '.') {
            if (++part == parts.size())
                break;
        } else if (c >= '0' && c <= '9') {
            parts[part] = static_cast<std::uint16_t>(parts[part] * 10 + (c - '0'));
        }
    }
    return parts;
}

constexpr std::size_t VersionPayloadSize(std::span<const TVersionString> strings) {
    std::size_t size = 8 + 8 + 2 + 2 + 1;
    for (const TVersionString& s : strings)
        size += s.key.size() + 1 + s.value.size() + 1;
    return size;
}

constexpr std::size_t VersionBlockSize(std::span<const TVersionString> strings) {
    return VersionBlockHeaderSize + VersionPayloadSize(strings);
}

// Builds a whole block; N must be VersionBlockSize(strings). Usable at
// compile time, so the block lies in the executable as plain bytes.
template <std::size_t N>
constexpr std::array<unsigned char, N> BuildVersionBlock(const TVersionNumbers& numbers,
                                                         std::span<const TVersionString> strings) {
    std::array<unsigned char, N> block{};
    std::size_t at = 0;
    auto put16 = [&](std::uint16_t v) {
        block[at++] = static_cast<unsigned char>(v & 0xFF);
        block[at++] = static_cast<unsigned char>(v >> 8);
    };
    auto put32 = [&](std::uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8)
            block[at++] = static_cast<unsigned char>((v >> shift) & 0xFF);
    };
    auto putText = [&](std::string_view text) {
        for (const char c : text)
            block[at++] = static_cast<unsigned char>(c);
        block[at++] = 0;
    };
    for (const unsigned char b : VersionBlockMagic)
        block[at++] = b;
    put32(static_cast<std::uint32_t>(N - VersionBlockHeaderSize));
    put32(0); // the hash, filled in below
    for (const std::uint16_t v : numbers.fileVersion)
        put16(v);
    for (const std::uint16_t v : numbers.productVersion)
        put16(v);
    put16(numbers.language);
    put16(numbers.codePage);
    for (const TVersionString& s : strings) {
        putText(s.key);
        putText(s.value);
    }
    block[at++] = 0;
    const std::uint32_t hash =
        Fnv1a(std::span<const unsigned char>(block).subspan(VersionBlockHeaderSize));
    at = VersionBlockMagic.size() + 4;
    put32(hash);
    return block;
}

// Reads a block's payload size from its header (`header` holds at least
// VersionBlockHeaderSize bytes and starts with the magic); nullopt when the
// size is out of bounds.
std::optional<std::uint32_t> VersionPayloadSizeOf(std::span<const unsigned char> header);

// Checks and reads a block; `bytes` starts at the magic and holds at least
// the header and the payload. nullopt when anything disagrees.
std::optional<TVersionBlock> ParseVersionBlock(std::span<const unsigned char> bytes);

// The first valid block in the file, read in pieces (a file of any size
// serves); nullopt when the file has none or cannot be read.
std::optional<TVersionBlock> ReadVersionBlock(const QString& fileName);

} // namespace kelvara
