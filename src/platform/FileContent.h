// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads a file's content into memory before anything looks at it: whole, or
// piece by piece from an open file (a file's head first, and later only the
// parts a reader asks for).
//
// Photo metadata is parsed from such copies, never from the file itself: the
// metadata library maps TIFF-based files into memory, and a file that another
// program truncates while it is mapped would kill us with SIGBUS. Nothing here
// maps a file. Reading is also where untrusted paths meet the file system, so
// the rules are strict:
//
// - the file is opened read-only, never for writing, and not made our
//   controlling terminal;
// - only a regular file is read (a symbolic link to one is followed). A FIFO,
//   socket or device is refused before it is opened for reading and again
//   after, so a name swapped between the two looks cannot make us block on a
//   pipe or read a device;
// - a file larger than MaxFileContentSize is refused unread.

#include "base/Bytes.h"
#include "base/UniqueFd.h"
#include "platform/FileIdentity.h"

#include <cstdint>
#include <string>

namespace kelvara {

// No camera writes a photo anywhere near this size; a file above it is a
// video, a disk image or similar, which we would never rename, and reading it
// whole would only cost memory and time.
inline constexpr std::int64_t MaxFileContentSize = std::int64_t{512} * 1024 * 1024;

// The whole content of the regular file at `path` (bytes as the file system
// takes them; they need not be UTF-8). Throws std::system_error when the file
// cannot be opened or read, is no regular file (EISDIR for a folder, EINVAL
// otherwise), or is larger than MaxFileContentSize (EFBIG). A file that grows
// or shrinks while it is read gives what could be read, up to the cap.
TBytes ReadFileContent(const std::string& path);

// A regular file open for reading at given places (pread), by the rules
// above. The file is read only where asked, so that a caller can look at its
// head and go no further when that settles it.
class TReadOnlyFile {
public:
    // Throws std::system_error as ReadFileContent does, reading nothing; a
    // reader that never reads a file whole may allow it a larger `mostSize`
    // (a video's boxes).
    explicit TReadOnlyFile(const std::string& path, std::int64_t mostSize = MaxFileContentSize);

    // The size when the file was opened.
    std::int64_t Size() const { return m_size; }
    // The file's identity when it was opened: what is read is this file,
    // whatever its name holds later.
    const TFileIdentity& Identity() const { return m_identity; }
    // Up to `length` bytes from `offset` into `data`; how many were read,
    // fewer where the file ends (it may have shrunk since it was opened).
    // Throws std::system_error when reading fails.
    std::int64_t ReadAt(std::int64_t offset, char* data, std::int64_t length) const;

private:
    TUniqueFd m_file;
    std::int64_t m_size = 0;
    TFileIdentity m_identity;
    std::string m_path;
};

} // namespace kelvara
