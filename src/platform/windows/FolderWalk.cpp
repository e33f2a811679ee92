// SPDX-License-Identifier: GPL-3.0-or-later
// The folder walk on Windows: FindFirstFileExW/FindNextFileW, one find
// handle per level, the entries of a folder in the order the system lists
// them. Names become UTF-8 as they come out of the listing.
#include "platform/FolderWalk.h"

#include "platform/windows/WidePath.h"

#include <memory>
#include <system_error>
#include <type_traits>
#include <windows.h>

namespace kelvara {

namespace {

struct TFindClose {
    void operator()(HANDLE handle) const noexcept {
        if (handle != INVALID_HANDLE_VALUE)
            FindClose(handle);
    }
};
using TUniqueFind = std::unique_ptr<std::remove_pointer_t<HANDLE>, TFindClose>;

std::string Reason(DWORD error) {
    return std::system_category().message(static_cast<int>(error));
}

// A link to a folder: a symbolic link or a junction in the folder's place.
// Other reparse points (files kept in the cloud, deduplicated files) are
// the folder itself and are walked.
bool FolderLink(const WIN32_FIND_DATAW& data) {
    return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           (data.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
            data.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
}

class TWalk {
public:
    explicit TWalk(IFolderWalkVisitor& visitor) : m_visitor(visitor) {}

    // Walks the folder whose path (ending in '/') is in `dir`; `dir` is
    // extended and restored on the way down.
    void Folder(std::string& dir);

private:
    IFolderWalkVisitor& m_visitor;
};

void TWalk::Folder(std::string& dir) {
    WIN32_FIND_DATAW data;
    const TUniqueFind find(FindFirstFileExW(WidePath(dir + '*').c_str(), FindExInfoBasic, &data,
                                            FindExSearchNameMatch, nullptr,
                                            FIND_FIRST_EX_LARGE_FETCH));
    if (find.get() == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // An empty drive root lists nothing at all; that is no failure.
        if (error != ERROR_FILE_NOT_FOUND)
            m_visitor.FolderFailed(dir, Reason(error));
        return;
    }
    const std::size_t base = dir.size();
    do {
        if (m_visitor.Aborted())
            return;
        const wchar_t* name = data.cFileName;
        if (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0')))
            continue;
        const bool folder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        if (folder && FolderLink(data))
            continue;
        dir.append(Utf8Path(name));
        if (folder) {
            dir.push_back('/');
            Folder(dir);
        } else {
            m_visitor.FileFound(dir);
        }
        dir.resize(base);
    } while (FindNextFileW(find.get(), &data));
    const DWORD error = GetLastError();
    if (error != ERROR_NO_MORE_FILES)
        m_visitor.FolderFailed(dir, Reason(error));
}

} // namespace

TPathKind PathKindOf(const std::string& path) {
    if (path.empty())
        return TPathKind::None;
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    try {
        attributes = GetFileAttributesW(WidePath(path).c_str());
    } catch (const std::system_error&) {
        return TPathKind::None; // no UTF-8: names nothing here
    }
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return TPathKind::None;
    // A link carries the kind of what it leads to: a link to a folder (a
    // directory symbolic link, a junction) is marked a folder itself.
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? TPathKind::Folder : TPathKind::File;
}

void WalkFolder(const std::string& folder, IFolderWalkVisitor& visitor) {
    std::string dir = folder;
    if (dir.empty())
        return;
    if (dir.back() != '/' && dir.back() != '\\')
        dir.push_back('/');
    try {
        TWalk(visitor).Folder(dir);
    } catch (const std::system_error& error) {
        // A name that is no UTF-16 pair on the way in (WidePath refused it).
        visitor.FolderFailed(dir, error.what());
    }
}

} // namespace kelvara
