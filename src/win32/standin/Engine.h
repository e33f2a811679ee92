// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// STAND-IN: a small search worker and rename step of the Windows edition's
// own, until the shared search and rename modules build without Qt (then the
// window gets those behind the same IRenameEngine, and this goes).
//
// Search. A worker thread takes queued folders in sorted order (a folder
// already queued, in any letter case, is not queued twice) and searches each
// depth first, the entries of a folder in sorted order, appending every file
// it finds to the file queue. Links to folders (reparse points) are not
// followed. A queued file goes straight to the file queue. The worker sleeps
// while there is nothing to search.
//
// Step. Takes the first found file; when GDI+ loads it as a bitmap, reads
// its date, size and model (Exiv2, from memory) and renames it in its folder
// to the name NewNameFor gives. The rename never replaces a file
// (MoveFileExW without MOVEFILE_REPLACE_EXISTING). Any failure leaves the
// file as it was.

#include "win32/RenameEngine.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace kelvara::standin {

// Sorted as Windows compares names: ordinal, letter case ignored.
struct TNameLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const;
};

class TEngine : public IRenameEngine {
public:
    TEngine();
    ~TEngine() override;
    TEngine(const TEngine&) = delete;
    TEngine& operator=(const TEngine&) = delete;

    void QueuePaths(const std::vector<std::wstring>& paths) override;
    void Step(const INamingOptions& options) noexcept override;
    void Cancel() override;

    bool HasWork() const override;

private:
    void WorkerLoop();
    // False when the search was aborted.
    bool Search(const std::wstring& folder);
    bool AppendFile(std::wstring path);
    static void Rename(const std::wstring& path, const INamingOptions& options);

    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::set<std::wstring, TNameLess> m_folders;
    std::deque<std::wstring> m_files;
    bool m_searching = false;
    bool m_stop = false;
    std::atomic<bool> m_abort = false;
    std::thread m_worker;
};

} // namespace kelvara::standin
