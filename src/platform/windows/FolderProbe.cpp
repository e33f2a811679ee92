// SPDX-License-Identifier: GPL-3.0-or-later
// Single names in one folder on Windows. The folder is opened once (as a
// folder, without reading it); its final path, asked of that handle, is the
// base every name is looked up under. Names are compared as UTF-8.
#include "platform/FolderProbe.h"

#include "platform/windows/WidePath.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <system_error>
#include <windows.h>

namespace kelvara {

namespace {

[[noreturn]] void ThrowLastError(const std::string& what) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

std::wstring FolderPath(const TUniqueFd& folder) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(folder.get()));
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), 0);
        if (length == 0)
            ThrowLastError("cannot look at a folder");
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(length + 1);
    }
}

} // namespace

TFolderProbe::TFolderProbe(const std::string& folder) {
    const HANDLE handle = CreateFileW(WidePath(folder.empty() ? std::string(".") : folder).c_str(),
                                      0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        ThrowLastError("cannot open folder " + folder);
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY);
    if (fd < 0) {
        CloseHandle(handle);
        throw std::system_error(EMFILE, std::generic_category(), "cannot open folder " + folder);
    }
    m_folder.reset(fd);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info))
        ThrowLastError("cannot look at folder " + folder);
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        throw std::system_error(ENOTDIR, std::generic_category(), "not a folder: " + folder);
}

TEntryKind TFolderProbe::Look(const std::string& name) const {
    const std::wstring path = FolderPath(m_folder) + L"\\" + WidePath(name);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                                         FILE_ATTRIBUTE_DEVICE)) == 0
                   ? TEntryKind::RegularFile
                   : TEntryKind::Other;
    const DWORD error = GetLastError();
    // A name longer than the file system takes, or one it cannot hold at
    // all, cannot be there.
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
        error == ERROR_FILENAME_EXCED_RANGE || error == ERROR_INVALID_NAME)
        return TEntryKind::None;
    ThrowLastError("cannot look up " + name);
}

std::vector<std::string> TFolderProbe::HeldSpellings(const std::vector<std::string>& names) const {
    const std::wstring pattern = FolderPath(m_folder) + L"\\*";
    WIN32_FIND_DATAW entry{};
    const HANDLE find = FindFirstFileW(pattern.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        ThrowLastError("cannot read folder");
    std::vector<bool> held(names.size(), false);
    do {
        const std::string name = Utf8Path(entry.cFileName);
        for (std::size_t n = 0; n < names.size(); ++n)
            if (names[n] == name)
                held[n] = true;
    } while (FindNextFileW(find, &entry));
    const DWORD error = GetLastError();
    FindClose(find);
    if (error != ERROR_NO_MORE_FILES)
        throw std::system_error(static_cast<int>(error), std::system_category(),
                                "cannot read folder");
    std::vector<std::string> spellings;
    for (std::size_t n = 0; n < names.size(); ++n)
        if (held[n])
            spellings.push_back(names[n]);
    return spellings;
}

} // namespace kelvara
