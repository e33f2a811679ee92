#pragma once
// Reads a file's whole content into memory before anything looks at it.
//
// Photo metadata is parsed from this copy, never from the file itself: the
// metadata library maps TIFF-based files into memory, and a file that another
// program truncates while it is mapped would kill us with SIGBUS. Reading is
// also where untrusted paths meet the file system, so the rules are strict:
//
// - the file is opened read-only, never for writing, and not made our
//   controlling terminal;
// - only a regular file is read (a symbolic link to one is followed). A FIFO,
//   socket or device is refused before it is opened for reading and again
//   after, so a name swapped between the two looks cannot make us block on a
//   pipe or read a device;
// - a file larger than MaxFileContentSize is refused unread.

#include <QByteArray>
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
QByteArray ReadFileContent(const std::string& path);

} // namespace kelvara
