// SPDX-License-Identifier: GPL-3.0-or-later
#include "photo/PhotoSource.h"

#include "base/SystemError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kelvara {

namespace {

// Small reads beyond the head are served from one block of this size.
constexpr std::int64_t BlockSize = 64 * 1024;
// A whole read goes in pieces of this size, so that a cancel is seen soon.
constexpr std::int64_t WholePiece = 4 * 1024 * 1024;

} // namespace

void TPhotoSource::SetWhole(TBytes content) {
    m_size = static_cast<std::int64_t>(content.size());
    m_head = std::move(content);
    m_view = &m_head;
    m_headIsWhole = true;
}

void TPhotoSource::SetWholeView(const TBytes& content) {
    m_size = static_cast<std::int64_t>(content.size());
    m_view = &content;
    m_headIsWhole = true;
}

void TPhotoSource::SetHead(TBytes head, std::int64_t size) {
    m_size = size;
    m_head = std::move(head);
    m_view = &m_head;
    m_headIsWhole = false;
}

std::int64_t TPhotoSource::FetchCounted(std::int64_t offset, char* data, std::int64_t length) {
    try {
        const std::int64_t got = Fetch(offset, data, length);
        m_readBeyondHead += got;
        return got;
    } catch (const std::exception&) {
        if (!m_failure)
            m_failure = std::current_exception();
        return 0;
    }
}

std::int64_t TPhotoSource::FromBlock(std::int64_t offset, char* data, std::int64_t length) {
    const std::int64_t start = offset - offset % BlockSize;
    if (start != m_blockStart) {
        m_block.resize(static_cast<std::size_t>(std::min(BlockSize, m_size - start)));
        const std::int64_t got =
            FetchCounted(start, CharData(m_block), static_cast<std::int64_t>(m_block.size()));
        m_block.resize(static_cast<std::size_t>(got));
        m_blockStart = start;
    }
    const std::int64_t at = offset - start;
    const std::int64_t count = std::max<std::int64_t>(
        0, std::min<std::int64_t>(length, static_cast<std::int64_t>(m_block.size()) - at));
    if (count > 0)
        std::memcpy(data, CharData(m_block) + at, static_cast<size_t>(count));
    return count;
}

std::int64_t TPhotoSource::ReadInto(std::int64_t offset, char* data, std::int64_t length) {
    if (offset < 0 || length <= 0 || offset >= m_size)
        return 0;
    length = std::min(length, m_size - offset);
    std::int64_t done = 0;
    const TBytes& head = *m_view;
    const auto headSize = static_cast<std::int64_t>(head.size());
    if (offset < headSize) {
        done = std::min<std::int64_t>(length, headSize - offset);
        std::memcpy(data, CharData(head) + offset, static_cast<size_t>(done));
    }
    if (m_headIsWhole)
        return done;
    while (done < length) {
        const std::int64_t at = offset + done;
        const std::int64_t left = length - done;
        const std::int64_t got = left < BlockSize ? FromBlock(at, data + done, left)
                                                  : FetchCounted(at, data + done, left);
        if (got <= 0)
            break;
        done += got;
    }
    return done;
}

TBytes TPhotoSource::Read(std::int64_t offset, std::int64_t length) {
    if (offset < 0 || length <= 0 || offset >= m_size)
        return {};
    TBytes bytes(static_cast<std::size_t>(std::min(length, m_size - offset)));
    bytes.resize(static_cast<std::size_t>(
        ReadInto(offset, CharData(bytes), static_cast<std::int64_t>(bytes.size()))));
    return bytes;
}

TBytes TPhotoSource::ReadAll() {
    if (m_headIsWhole)
        return *m_view;
    // Allocated to the exact size, as ReadFileContent does (see there).
    TBytes content(static_cast<std::size_t>(m_size));
    std::memcpy(content.data(), m_head.data(), m_head.size());
    auto filled = static_cast<std::int64_t>(m_head.size());
    while (filled < m_size) {
        const std::int64_t got =
            FetchCounted(filled, CharData(content) + filled, std::min(WholePiece, m_size - filled));
        if (got <= 0)
            break;
        filled += got;
    }
    content.resize(static_cast<std::size_t>(filled));
    return content;
}

void TPhotoSource::CheckReads() const {
    if (m_failure)
        std::rethrow_exception(m_failure);
}

TFileSource::TFileSource(const std::string& path, std::function<bool()> abort,
                         std::int64_t mostSize)
    : m_file(path, mostSize), m_abort(std::move(abort)) {
    // One byte more than the head tells a file that ends within it (or grew
    // to just past it since it was opened) from a longer one.
    TBytes head(static_cast<std::size_t>(PhotoHeadSize + 1));
    head.resize(static_cast<std::size_t>(
        m_file.ReadAt(0, CharData(head), static_cast<std::int64_t>(head.size()))));
    if (static_cast<std::int64_t>(head.size()) <= PhotoHeadSize) {
        SetWhole(std::move(head));
    } else {
        head.resize(static_cast<std::size_t>(PhotoHeadSize));
        SetHead(std::move(head), std::max(m_file.Size(), PhotoHeadSize + 1));
    }
}

std::int64_t TFileSource::Fetch(std::int64_t offset, char* data, std::int64_t length) {
    if (m_abort && m_abort())
        ThrowSystemError(ECANCELED, "no longer wanted");
    return m_file.ReadAt(offset, data, length);
}

} // namespace kelvara
