// SPDX-License-Identifier: GPL-3.0-or-later
// Renaming without replacing on Windows: MoveFileEx without
// MOVEFILE_REPLACE_EXISTING refuses an existing target itself, in the same
// call that renames, and without MOVEFILE_COPY_ALLOWED a file never leaves
// its volume. Failures carry the errno value the rename step tells apart
// (the target taken, the source gone, access denied, a name too long).
#include "platform/MoveFile.h"

#include "platform/windows/WidePath.h"

#include <cerrno>
#include <system_error>
#include <windows.h>

namespace kelvara {

namespace {

std::error_code ErrorOf(DWORD error) {
    switch (error) {
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
        return {EEXIST, std::generic_category()};
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return {ENOENT, std::generic_category()};
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return {EACCES, std::generic_category()};
    case ERROR_FILENAME_EXCED_RANGE:
        return {ENAMETOOLONG, std::generic_category()};
    case ERROR_NOT_SAME_DEVICE:
        return {EXDEV, std::generic_category()};
    default:
        return {static_cast<int>(error), std::system_category()};
    }
}

} // namespace

void MoveFileNoReplace(const std::string& from, const std::string& to) {
    if (!MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), 0))
        throw std::system_error(ErrorOf(GetLastError()), "cannot rename " + from + " to " + to);
}

} // namespace kelvara
