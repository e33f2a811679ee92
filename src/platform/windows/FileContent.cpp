// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a file's content on Windows, by the rules of platform/FileContent.h:
// a disk file only (no folder, device or pipe), opened for reading with every
// kind of sharing so that nobody else is kept from the file, never mapped.
// The descriptor TReadOnlyFile keeps is the C runtime's over the file's
// handle; reads go to the handle at given offsets.
#include "platform/FileContent.h"

#include "base/SystemError.h"
#include "platform/windows/WidePath.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <system_error>
#include <windows.h>

namespace kelvara {

namespace {

std::string About(const char* what, const std::string& path) {
    return std::string(what) + ": " + path;
}

[[noreturn]] void ThrowLastError(const char* what, const std::string& path) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                            About(what, path));
}

HANDLE HandleOf(const TUniqueFd& file) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(file.get()));
}

} // namespace

TReadOnlyFile::TReadOnlyFile(const std::string& path, std::int64_t mostSize) : m_path(path) {
    const std::wstring wide = WidePath(path);
    // Looking before opening keeps us from opening devices at all.
    WIN32_FILE_ATTRIBUTE_DATA before{};
    if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &before))
        ThrowLastError("cannot look at", path);
    if ((before.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        ThrowSystemError(EISDIR, About("is a folder", path));

    const HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        ThrowLastError("cannot open", path);
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        ThrowSystemError(EMFILE, About("cannot open", path));
    }
    m_file.reset(fd);
    if (GetFileType(handle) != FILE_TYPE_DISK)
        ThrowSystemError(EINVAL, About("not a regular file", path));
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle, &size))
        ThrowLastError("cannot look at", path);
    m_size = size.QuadPart;
    if (m_size > mostSize)
        ThrowSystemError(EFBIG, About("too large to be a photo", path));
    m_identity = FileIdentityOf(m_file.get());
}

std::int64_t TReadOnlyFile::ReadAt(std::int64_t offset, char* data, std::int64_t length) const {
    const HANDLE handle = HandleOf(m_file);
    std::int64_t filled = 0;
    while (filled < length) {
        OVERLAPPED at{};
        const auto position = static_cast<std::uint64_t>(offset + filled);
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        const auto piece = static_cast<DWORD>(std::min<std::int64_t>(length - filled, 1 << 30));
        DWORD got = 0;
        if (!ReadFile(handle, data + filled, piece, &got, &at)) {
            if (GetLastError() == ERROR_HANDLE_EOF)
                break;
            ThrowLastError("cannot read", m_path);
        }
        if (got == 0)
            break;
        filled += got;
    }
    return filled;
}

TBytes ReadFileContent(const std::string& path) {
    const TReadOnlyFile file(path);
    // Sized from the open file, but only what the reads give counts: the
    // file may change under us. One byte more than the cap shows a file that
    // grew past it.
    std::size_t capacity = static_cast<std::size_t>(file.Size()) + 1;
    TBytes content(capacity);
    std::size_t filled = 0;
    for (;;) {
        if (filled == capacity) {
            if (capacity > static_cast<std::size_t>(MaxFileContentSize))
                ThrowSystemError(EFBIG, About("too large to be a photo", path));
            capacity = std::min<std::size_t>(capacity * 2, MaxFileContentSize + 1);
            content.resize(capacity);
        }
        const std::int64_t got =
            file.ReadAt(static_cast<std::int64_t>(filled), CharData(content) + filled,
                        static_cast<std::int64_t>(capacity - filled));
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    content.resize(filled);
    return content;
}

} // namespace kelvara
