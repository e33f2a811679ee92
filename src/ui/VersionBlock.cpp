// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/VersionBlock.h"

#include "base/qt/QtLog.h"
#include "ui/Log.h"

#include <QFile>
#include <QString>
#include <algorithm>
#include <functional>

namespace kelvara {

namespace {

std::uint32_t Get32(std::span<const unsigned char> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::uint16_t Get16(std::span<const unsigned char> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

// The text from `at` up to the next NUL, and `at` moved past it; nullopt
// when no NUL follows.
std::optional<std::string> TakeText(std::span<const unsigned char> bytes, std::size_t& at) {
    const auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(at);
    const auto nul = std::find(begin, bytes.end(), 0);
    if (nul == bytes.end())
        return std::nullopt;
    std::string text(begin, nul);
    at = static_cast<std::size_t>(nul - bytes.begin()) + 1;
    return text;
}

// Tries the block at `offset` of an open file; restores nothing (the caller
// seeks back).
std::optional<TVersionBlock> TryBlockAt(QFile& file, qint64 offset) {
    if (!file.seek(offset))
        return std::nullopt;
    std::vector<unsigned char> bytes(VersionBlockHeaderSize);
    if (file.read(reinterpret_cast<char*>(bytes.data()), static_cast<qint64>(bytes.size())) !=
        static_cast<qint64>(bytes.size()))
        return std::nullopt;
    const auto payload = VersionPayloadSizeOf(bytes);
    if (!payload)
        return std::nullopt;
    bytes.resize(VersionBlockHeaderSize + *payload);
    if (file.read(reinterpret_cast<char*>(bytes.data() + VersionBlockHeaderSize), *payload) !=
        static_cast<qint64>(*payload))
        return std::nullopt;
    return ParseVersionBlock(bytes);
}

} // namespace

std::optional<std::uint32_t> VersionPayloadSizeOf(std::span<const unsigned char> header) {
    if (header.size() < VersionBlockHeaderSize)
        return std::nullopt;
    const std::uint32_t size = Get32(header, VersionBlockMagic.size());
    if (size < 8 + 8 + 2 + 2 + 1 || size > VersionBlockMaxPayload)
        return std::nullopt;
    return size;
}

std::optional<TVersionBlock> ParseVersionBlock(std::span<const unsigned char> bytes) {
    if (bytes.size() < VersionBlockHeaderSize ||
        !std::equal(VersionBlockMagic.begin(), VersionBlockMagic.end(), bytes.begin()))
        return std::nullopt;
    const auto size = VersionPayloadSizeOf(bytes);
    if (!size || bytes.size() < VersionBlockHeaderSize + *size)
        return std::nullopt;
    const auto payload = bytes.subspan(VersionBlockHeaderSize, *size);
    if (Fnv1a(payload) != Get32(bytes, VersionBlockMagic.size() + 4))
        return std::nullopt;

    TVersionBlock block;
    std::size_t at = 0;
    for (std::uint16_t& v : block.numbers.fileVersion) {
        v = Get16(payload, at);
        at += 2;
    }
    for (std::uint16_t& v : block.numbers.productVersion) {
        v = Get16(payload, at);
        at += 2;
    }
    block.numbers.language = Get16(payload, at);
    block.numbers.codePage = Get16(payload, at + 2);
    at += 4;
    for (;;) {
        auto key = TakeText(payload, at);
        if (!key)
            return std::nullopt;
        if (key->empty())
            break;
        auto value = TakeText(payload, at);
        if (!value)
            return std::nullopt;
        block.strings.emplace_back(std::move(*key), std::move(*value));
    }
    return block;
}

std::optional<TVersionBlock> ReadVersionBlock(const QString& fileName) {
    // Tests count this line: how often a file is scanned.
    LogDebug(lcUi) << "scanning for a version block:" << fileName;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    constexpr qint64 ChunkSize = 1 << 20;
    const std::boyer_moore_horspool_searcher searcher(VersionBlockMagic.begin(),
                                                      VersionBlockMagic.end());
    // `window` holds the file's bytes from `windowStart` on; after each
    // search only its tail, too short to hold the magic, is kept.
    std::vector<unsigned char> window;
    qint64 windowStart = 0;
    for (;;) {
        const std::size_t kept = window.size();
        window.resize(kept + ChunkSize);
        const qint64 got = file.read(reinterpret_cast<char*>(window.data() + kept), ChunkSize);
        if (got <= 0)
            return std::nullopt;
        window.resize(kept + static_cast<std::size_t>(got));
        const qint64 readPos = file.pos();

        for (auto it = window.begin();;) {
            it = std::search(it, window.end(), searcher);
            if (it == window.end())
                break;
            const qint64 offset = windowStart + (it - window.begin());
            if (auto block = TryBlockAt(file, offset))
                return block;
            ++it;
        }
        if (!file.seek(readPos))
            return std::nullopt;
        const std::size_t tail = std::min(window.size(), VersionBlockMagic.size() - 1);
        windowStart += static_cast<qint64>(window.size() - tail);
        window.erase(window.begin(), window.end() - static_cast<std::ptrdiff_t>(tail));
    }
}

} // namespace kelvara
