// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileContent.h"

#include "base/SystemError.h"
#include "base/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvara {

namespace {

std::string About(const char* what, const std::string& path) {
    return std::string(what) + ": " + path;
}

// Refuses anything but a regular file of acceptable size; `info` comes from
// stat (before opening) or fstat (after).
void CheckRegularFile(const struct stat& info, const std::string& path, std::int64_t mostSize) {
    if (S_ISDIR(info.st_mode))
        ThrowSystemError(EISDIR, About("is a folder", path));
    if (!S_ISREG(info.st_mode))
        ThrowSystemError(EINVAL, About("not a regular file", path));
    if (info.st_size > mostSize)
        ThrowSystemError(EFBIG, About("too large to be a photo", path));
}

// Opens `path` by the rules of the header; `opened` gets what fstat says of
// the open file.
TUniqueFd OpenRegularFile(const std::string& path, struct stat& opened,
                          std::int64_t mostSize = MaxFileContentSize) {
    // Looking before opening keeps us from opening devices at all (opening
    // some has side effects, such as a tape rewinding).
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0)
        ThrowSystemError(errno, About("cannot look at", path));
    CheckRegularFile(before, path, mostSize);

    // O_NONBLOCK: should the name have become a FIFO since the look above,
    // the open must not wait for a writer.
    TUniqueFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0)
        ThrowSystemError(errno, About("cannot open", path));
    if (::fstat(file.get(), &opened) != 0)
        ThrowSystemError(errno, About("cannot look at", path));
    CheckRegularFile(opened, path, mostSize);
    return file;
}

} // namespace

TBytes ReadFileContent(const std::string& path) {
    struct stat opened {};
    const TUniqueFd file = OpenRegularFile(path, opened);

    // Size the buffer from fstat, but trust only what read() gives: the
    // file may change under us. One byte more than the cap lets us see a
    // file that grew past it.
    // Allocated to the exact size: growing by doubling would round a large
    // buffer up to the next power of two, which for a RAW file of 16 to 32 MB
    // lands above the size up to which the allocator keeps freed blocks for
    // reuse, so every file would cost the kernel fresh pages (several ms for
    // 24 MB).
    std::size_t capacity = static_cast<std::size_t>(opened.st_size) + 1;
    TBytes content(capacity);
    std::size_t filled = 0;
    for (;;) {
        if (filled == capacity) {
            if (capacity > static_cast<std::size_t>(MaxFileContentSize))
                ThrowSystemError(EFBIG, About("too large to be a photo", path));
            capacity = std::min<std::size_t>(capacity * 2, MaxFileContentSize + 1);
            content.resize(capacity);
        }
        const ssize_t got = ::read(file.get(), CharData(content) + filled, capacity - filled);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ThrowSystemError(errno, About("cannot read", path));
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    content.resize(filled);
    return content;
}

TReadOnlyFile::TReadOnlyFile(const std::string& path, std::int64_t mostSize) : m_path(path) {
    struct stat opened {};
    m_file = OpenRegularFile(path, opened, mostSize);
    m_size = static_cast<std::int64_t>(opened.st_size);
    m_identity = FileIdentityOf(m_file.get());
}

std::int64_t TReadOnlyFile::ReadAt(std::int64_t offset, char* data, std::int64_t length) const {
    std::int64_t filled = 0;
    while (filled < length) {
        const ssize_t got =
            ::pread(m_file.get(), data + filled, static_cast<size_t>(length - filled),
                    static_cast<off_t>(offset + filled));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ThrowSystemError(errno, About("cannot read", m_path));
        }
        if (got == 0)
            break;
        filled += got;
    }
    return filled;
}

} // namespace kelvara
