// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/standin/Engine.h"

#include "photo/PhotoProperties.h"
#include "photo/PhotoSource.h"
#include "rename/CompanionMove.h"
#include "win32/GdiPlus.h"
#include "win32/UniqueHandle.h"
#include "win32/WideText.h"
#include "win32/standin/NewName.h"

#include <algorithm>
#include <windows.h>

namespace kelvara::standin {

namespace {

bool IsDelimiter(wchar_t c) {
    return c == L'\\' || c == L'/';
}

std::wstring Joined(const std::wstring& folder, const std::wstring& name) {
    if (!folder.empty() && !IsDelimiter(folder.back()) && folder.back() != L':')
        return folder + L'\\' + name;
    return folder + name;
}

struct TEntry {
    std::wstring name;
    bool folder;
};

// The folder's entries, sorted; links to folders left out. Throws when the
// folder cannot be read.
std::vector<TEntry> SortedEntries(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    const TUniqueFind find(FindFirstFileExW(Joined(folder, L"*").c_str(), FindExInfoBasic, &data,
                                            FindExSearchNameMatch, nullptr, 0));
    if (find.get() == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot read the folder");
    std::vector<TEntry> entries;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const bool isFolder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        if (isFolder && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        entries.push_back({name, isFolder});
    } while (FindNextFileW(find.get(), &data));
    std::sort(entries.begin(), entries.end(),
              [](const TEntry& a, const TEntry& b) { return TNameLess()(a.name, b.name); });
    return entries;
}

} // namespace

bool TNameLess::operator()(const std::wstring& a, const std::wstring& b) const {
    const int order = CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                           static_cast<int>(b.size()), TRUE);
    return order == CSTR_LESS_THAN;
}

TEngine::TEngine() : m_worker([this] { WorkerLoop(); }) {}

TEngine::~TEngine() {
    {
        const std::lock_guard lock(m_lock);
        m_stop = true;
        m_abort = true;
    }
    m_wake.notify_all();
    m_worker.join();
}

void TEngine::QueuePaths(const std::vector<std::wstring>& paths) {
    bool wake = false;
    {
        const std::lock_guard lock(m_lock);
        for (const std::wstring& path : paths) {
            const DWORD attributes = GetFileAttributesW(path.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES)
                continue; // names nothing
            if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
                wake = m_folders.insert(path).second || wake;
            } else {
                m_files.push_back(path);
            }
        }
    }
    if (wake)
        m_wake.notify_one();
}

void TEngine::Cancel() {
    const std::lock_guard lock(m_lock);
    m_folders.clear();
    m_files.clear();
    m_abort = true;
}

bool TEngine::HasWork() const {
    const std::lock_guard lock(m_lock);
    return m_searching || !m_folders.empty() || !m_files.empty();
}

void TEngine::WorkerLoop() {
    for (;;) {
        std::wstring folder;
        {
            std::unique_lock lock(m_lock);
            m_wake.wait(lock, [this] { return m_stop || !m_folders.empty(); });
            if (m_stop)
                return;
            folder = *m_folders.begin();
            m_folders.erase(m_folders.begin());
            m_searching = true;
            m_abort = false;
        }
        try {
            Search(folder);
        } catch (...) {
            // A folder that went away or cannot be read ends its own search.
        }
        const std::lock_guard lock(m_lock);
        m_searching = false;
    }
}

bool TEngine::Search(const std::wstring& folder) {
    std::vector<TEntry> entries;
    try {
        entries = SortedEntries(folder);
    } catch (...) {
        return !m_abort; // an unreadable folder is skipped; the search goes on
    }
    for (const TEntry& entry : entries) {
        if (m_abort)
            return false;
        const std::wstring path = Joined(folder, entry.name);
        if (entry.folder ? !Search(path) : !AppendFile(path))
            return false;
    }
    return !m_abort;
}

bool TEngine::AppendFile(std::wstring path) {
    const std::lock_guard lock(m_lock);
    // Checked under the lock: after Cancel no file of the search is queued.
    if (m_abort)
        return false;
    m_files.push_back(std::move(path));
    return true;
}

void TEngine::Step(const INamingOptions& options) noexcept {
    try {
        std::wstring path;
        {
            const std::lock_guard lock(m_lock);
            if (m_files.empty())
                return;
            path = std::move(m_files.front());
            m_files.pop_front();
        }
        Rename(path, options);
    } catch (...) {
        // The file keeps its name; the next step goes on with the next one.
    }
}

void TEngine::Rename(const std::wstring& path, const INamingOptions& options) {
    if (!IsImageFile(path))
        return;
    // Head first through the shared reader: a JPEG is read up to its first
    // scan, never mapped.
    TFileSource source(Utf8FromWide(path));
    const kelvara::TPhotoProperties read = kelvara::ReadPhotoProperties(source);
    const TPhotoProperties properties{read.DateTaken, read.Dimensions, read.CameraModel};
    const std::size_t delimiter = path.find_last_of(L"\\/:");
    const std::wstring folder =
        delimiter == std::wstring::npos ? std::wstring() : path.substr(0, delimiter + 1);
    const std::wstring oldName = path.substr(folder.size());
    const auto newName = NewNameFor(properties, options, Utf8FromWide(oldName));
    if (!newName)
        return;
    // The photo moves with its companions (sidecars, a Live Photo's video),
    // all or nothing, and never over an existing file. The shared code joins
    // and splits paths at "/", which Windows takes as a delimiter too.
    std::string inFolder = Utf8FromWide(folder);
    std::replace(inFolder.begin(), inFolder.end(), '\\', '/');
    MovePhotoWithCompanions(inFolder + Utf8FromWide(oldName), inFolder + *newName);
}

} // namespace kelvara::standin
