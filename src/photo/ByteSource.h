// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the video reader takes a file's bytes from: any seekable run of
// bytes, read where the reader asks and nowhere else. The rename step gives
// it the file it already holds head first (photo/PhotoSource.h); tests, the
// fuzz target and the benchmark give it memory or a counting file.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace kelvara {

class IByteSource {
public:
    virtual ~IByteSource() = default;

    virtual std::int64_t Size() const = 0;
    // Up to `length` bytes from `offset` into `data`, fewer where the content
    // ends or a read fails; how many. Never throws: a failed read is the
    // source's to remember and report.
    virtual std::int64_t ReadAt(std::int64_t offset, char* data, std::int64_t length) = 0;
};

// Bytes held in memory (not copied: they must outlive the source).
class TMemoryByteSource final : public IByteSource {
public:
    explicit TMemoryByteSource(std::string_view bytes) : m_bytes(bytes) {}

    std::int64_t Size() const override { return static_cast<std::int64_t>(m_bytes.size()); }
    std::int64_t ReadAt(std::int64_t offset, char* data, std::int64_t length) override {
        if (offset < 0 || length <= 0 || offset >= Size())
            return 0;
        const std::int64_t count = std::min(length, Size() - offset);
        std::memcpy(data, m_bytes.data() + offset, static_cast<std::size_t>(count));
        return count;
    }

private:
    std::string_view m_bytes;
};

} // namespace kelvara
