// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the image test and the metadata reader take a file's bytes from: a
// content already read whole (tests, the fuzz target), or an open file read
// head first (the rename step). A file's first PhotoHeadSize bytes are read
// at once, in one read; they tell a video, a document or any other non-photo
// by its signature, and such a file is never read further. A photo is then
// read only as far as its readers ask (an image header, a metadata block),
// or whole where the metadata library needs it so (TIFF-based files), and
// always into memory: nothing is mapped, so a file truncated under us cannot
// raise SIGBUS.
//
// Reads never throw: the image and RAW decoders call back into them from C
// code. A read that fails gives fewer bytes and is remembered; CheckReads
// throws it afterwards, so that an unreadable file is told from a damaged
// one.

#include "platform/FileContent.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

namespace kelvara {

// Enough for every signature and for the image reader's look at a header.
inline constexpr std::int64_t PhotoHeadSize = 64 * 1024;

class TPhotoSource {
public:
    virtual ~TPhotoSource() = default;
    TPhotoSource(const TPhotoSource&) = delete;
    TPhotoSource& operator=(const TPhotoSource&) = delete;

    std::int64_t Size() const { return m_size; }
    // The first PhotoHeadSize bytes, or the whole content when it is no
    // longer (then it may hold more, for a content given whole).
    const TBytes& Head() const { return *m_view; }
    // The whole content when it is at hand (given whole, or a file no longer
    // than its head), else nullptr.
    const TBytes* Whole() const { return m_headIsWhole ? m_view : nullptr; }

    // Up to `length` bytes from `offset` into `data`, fewer where the content
    // ends or a read fails; how many.
    std::int64_t ReadInto(std::int64_t offset, char* data, std::int64_t length);
    TBytes Read(std::int64_t offset, std::int64_t length);
    // The whole content, read now where it is not at hand.
    TBytes ReadAll();
    // Throws the first failure a read met (std::system_error), if any.
    void CheckReads() const;

    // Bytes fetched from the file beyond its head; for tests and measurements.
    std::int64_t BytesReadBeyondHead() const { return m_readBeyondHead; }

protected:
    TPhotoSource() = default;
    // The whole content, `size` bytes long.
    void SetWhole(TBytes content);
    // The whole content, which the caller keeps unchanged while the source
    // lives: not copied.
    void SetWholeView(const TBytes& content);
    // The first bytes of a longer content of `size` bytes.
    void SetHead(TBytes head, std::int64_t size);
    // Reads from the medium beyond the head; may throw std::system_error.
    virtual std::int64_t Fetch(std::int64_t offset, char* data, std::int64_t length) = 0;

private:
    // Copies from the block beyond the head that holds `offset`, reading it
    // first; the decoders read small pieces one after another.
    std::int64_t FromBlock(std::int64_t offset, char* data, std::int64_t length);
    std::int64_t FetchCounted(std::int64_t offset, char* data, std::int64_t length);

    std::int64_t m_size = 0;
    TBytes m_head;
    const TBytes* m_view = &m_head; // the head: our own, or the caller's whole content
    bool m_headIsWhole = false;
    TBytes m_block;
    std::int64_t m_blockStart = -1;
    std::int64_t m_readBeyondHead = 0;
    std::exception_ptr m_failure;
};

// A content read whole.
class TContentSource final : public TPhotoSource {
public:
    // Reads `content` in place; it must outlive the source.
    explicit TContentSource(const TBytes& content) { SetWholeView(content); }
    explicit TContentSource(TBytes&& content) { SetWhole(std::move(content)); }

protected:
    std::int64_t Fetch(std::int64_t, char*, std::int64_t) override { return 0; }
};

// A regular file (by ReadFileContent's rules, size cap included), its head
// read at once. `abort` is asked before every later read: once it holds,
// reads fail with ECANCELED, so that a large file whose work was cancelled
// is not read to its end.
class TFileSource final : public TPhotoSource {
public:
    // Throws std::system_error when the file cannot be opened or its head
    // cannot be read. Files above `mostSize` are refused unread; only a
    // caller that never reads one whole may allow more.
    explicit TFileSource(const std::string& path, std::function<bool()> abort = {},
                         std::int64_t mostSize = MaxFileContentSize);

    // The identity of the file read, from the descriptor it is read through.
    const TFileIdentity& Identity() const { return m_file.Identity(); }

protected:
    std::int64_t Fetch(std::int64_t offset, char* data, std::int64_t length) override;

private:
    TReadOnlyFile m_file;
    std::function<bool()> m_abort;
};

} // namespace kelvara
