// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/FindFileThread.h"

#include "base/PathName.h"
#include "platform/FolderWalk.h"
#include "search/Log.h"

#include <algorithm>
#include <memory>
#include <optional>

namespace kelvara {

TCriticalSection* FindFileLock = nullptr;
TFindFileThread* FindFileThread = nullptr;

namespace {

// A search's walk as the worker sees it: files go to the queue while the
// search's generation is current, unreadable folders to the debug log.
class TSearchVisitor : public IFolderWalkVisitor {
public:
    using TAppend = std::function<void(const std::string&)>;
    TSearchVisitor(std::function<bool()> aborted, TAppend append)
        : m_aborted(std::move(aborted)), m_append(std::move(append)) {}

    bool Aborted() override { return m_aborted(); }
    void FileFound(const std::string& path) override { m_append(path); }
    void FolderFailed(const std::string& folder, const std::string& reason) override {
        LogDebug(lcSearch) << "cannot open" << DecodedPath(folder) << ":" << reason;
    }

private:
    std::function<bool()> m_aborted;
    TAppend m_append;
};

} // namespace

bool TFindFileThread::TFolderOrder::operator()(const TQueuedFolder& a,
                                               const TQueuedFolder& b) const {
    const int order = a.key.compare(b.key);
    if (order != 0)
        return order < 0;
    return a.path < b.path;
}

TFindFileThread::TFindFileThread(TCriticalSection& lock) : m_lock(lock) {}

TFindFileThread::~TFindFileThread() {
    Terminate();
    {
        // Nobody will take what a search still finds; let it stop now rather
        // than walk a large tree to its end.
        std::lock_guard guard(m_lock);
        m_generation.fetch_add(1, std::memory_order_release);
    }
    FAbort.store(true);
    // Terminated is set before the lock was taken above, so a worker waiting
    // for a folder either saw it or is asleep now and wakes here.
    m_folderQueued.notify_all();
    WakeWaiters();
    WaitFor();
}

void TFindFileThread::AddPath(const std::string& path) {
    AddPaths({path});
}

void TFindFileThread::AddPaths(const std::vector<std::string>& paths) {
    std::lock_guard guard(m_lock);
    bool folderQueued = false;
    bool fileQueued = false;
    for (const std::string& path : paths)
        QueueLocked(path, folderQueued, fileQueued);
    if (folderQueued)
        m_folderQueued.notify_one();
    if (folderQueued || fileQueued)
        m_workQueued.notify_all();
}

void TFindFileThread::QueueLocked(const std::string& path, bool& folderQueued, bool& fileQueued) {
    const TPathKind kind = PathKindOf(path);
    if (kind == TPathKind::None) {
        LogDebug(lcSearch) << "dropped" << DecodedPath(path) << ": names nothing";
        return;
    }
    if (kind == TPathKind::Folder) {
        std::string folder = path;
        if (folder.back() != '/')
            folder.push_back('/');
        TQueuedFolder entry{m_collation.SortKey(folder), std::move(folder)};
        FFolders.insert(std::move(entry));
        folderQueued = true;
    } else {
        FFiles.push_back(path);
        FileAppended();
        fileQueued = true;
    }
}

void TFindFileThread::Cancel() {
    bool searching = false;
    {
        std::lock_guard guard(m_lock);
        FFolders.clear();
        FFiles.clear();
        m_generation.fetch_add(1, std::memory_order_release);
        searching = FSearching.load();
    }
    m_entryAdded.notify_all();
    if (searching)
        FAbort.store(true);
}

void TFindFileThread::TakeFiles(TPathList& target, int count) {
    bool newFront = false;
    {
        std::lock_guard guard(m_lock);
        for (int moved = 0; moved < count && !FFiles.empty(); ++moved)
            newFront = PopFront(target);
    }
    // After the lock is released: the reader it wakes wants the lock next.
    if (newFront)
        m_frontChanged.notify_all();
}

bool TFindFileThread::PopFront(TPathList& target) {
    target.push_back(std::move(FFiles.front()));
    FFiles.pop_front();
    ++m_taken;
    return !FFiles.empty();
}

void TFindFileThread::FileAppended() {
    if (FFiles.size() == 1)
        m_frontChanged.notify_all();
    m_entryAdded.notify_all();
}

bool TFindFileThread::HasWorkLocked() const {
    return !FFolders.empty() || FSearching.load() || !FFiles.empty();
}

bool TFindFileThread::HasWork() {
    std::lock_guard guard(m_lock);
    return HasWorkLocked();
}

void TFindFileThread::WaitForWork(const std::function<bool()>& stop) {
    std::unique_lock lock(m_lock);
    m_workQueued.wait(lock, [&] { return stop() || HasWorkLocked(); });
}

std::optional<TFindFileThread::TFrontFile>
TFindFileThread::WaitForNextFront(const std::optional<TFrontFile>& previous,
                                  const std::function<bool()>& stop) {
    std::unique_lock lock(m_lock);
    const auto front = [this] {
        return TFrontFile{{}, m_generation.load(std::memory_order_relaxed), m_taken};
    };
    m_frontChanged.wait(lock, [&] {
        return stop() || (!FFiles.empty() && !(previous && previous->SameEntry(front())));
    });
    if (stop())
        return std::nullopt;
    TFrontFile next = front();
    next.path = FFiles.front();
    return next;
}

std::vector<TFindFileThread::TFrontFile>
TFindFileThread::WaitForEntries(std::uint64_t generation, std::optional<std::uint64_t> from,
                                std::size_t most, const std::function<bool()>& stop) {
    std::unique_lock lock(m_lock);
    const auto current = [&] { return m_generation.load(std::memory_order_relaxed) == generation; };
    const auto first = [&] { return std::max(from.value_or(m_taken), m_taken); };
    m_entryAdded.wait(lock,
                      [&] { return stop() || !current() || first() - m_taken < FFiles.size(); });
    std::vector<TFrontFile> entries;
    if (stop() || !current())
        return entries;
    const std::uint64_t begin = first();
    const std::uint64_t end = std::min<std::uint64_t>(m_taken + FFiles.size(), begin + most);
    entries.reserve(static_cast<std::size_t>(end - begin));
    for (std::uint64_t entry = begin; entry < end; ++entry)
        entries.push_back({FFiles[static_cast<std::size_t>(entry - m_taken)], generation, entry});
    return entries;
}

bool TFindFileThread::TakeFront(const TFrontFile& front, TPathList& target) {
    bool newFront = false;
    {
        std::lock_guard guard(m_lock);
        if (FFiles.empty() || m_generation.load(std::memory_order_relaxed) != front.generation ||
            m_taken != front.entry)
            return false;
        newFront = PopFront(target);
    }
    if (newFront)
        m_frontChanged.notify_all();
    return true;
}

void TFindFileThread::WakeWaiters() {
    // Taken and released so that a waiter that tested its condition before
    // the caller changed it is asleep by now and gets the notification.
    { std::lock_guard guard(m_lock); }
    m_workQueued.notify_all();
    m_frontChanged.notify_all();
    m_entryAdded.notify_all();
}

bool TFindFileThread::HasSearchWork() {
    std::lock_guard guard(m_lock);
    return !FFolders.empty() || FSearching.load();
}

std::size_t TFindFileThread::FileCount() {
    std::lock_guard guard(m_lock);
    return FFiles.size();
}

void TFindFileThread::Execute() {
    for (;;) {
        std::string folder;
        std::uint64_t generation = 0;
        {
            // Asleep until AddPath queues a folder or the destructor asks us
            // to end: an idle worker costs nothing.
            std::unique_lock lock(m_lock);
            m_folderQueued.wait(lock, [this] { return Terminated() || !FFolders.empty(); });
            if (Terminated())
                return;
            auto first = FFolders.begin();
            folder = std::move(FFolders.extract(first).value().path);
            generation = m_generation.load(std::memory_order_relaxed);
            // Marked under the lock, so that a Cancel from here on sees the
            // search as running and aborts it.
            FSearching.store(true);
        }
        SearchFolder(folder, generation);
        {
            std::lock_guard guard(m_lock);
            FSearching.store(false);
        }
        FAbort.store(false);
        // Tests wait for this line ("searched <folder>"): the search of a
        // queued folder has ended, all it found is queued (or, cancelled,
        // dropped).
        LogDebug(lcSearch) << "searched" << DecodedPath(folder);
    }
}

bool TFindFileThread::Aborted(std::uint64_t generation) const {
    // FAbort alone may be stale (a Cancel that read FSearching just before the
    // previous search ended); the generation says whether it is meant for us.
    return FAbort.load(std::memory_order_relaxed) &&
           m_generation.load(std::memory_order_acquire) != generation;
}

void TFindFileThread::AppendFound(const std::string& path, std::uint64_t generation) {
    std::lock_guard guard(m_lock);
    if (m_generation.load(std::memory_order_relaxed) == generation) {
        FFiles.push_back(path);
        FileAppended();
    }
}

void TFindFileThread::SearchFolder(const std::string& folder, std::uint64_t generation) {
    TSearchVisitor visitor(
        [this, generation] { return Aborted(generation); },
        [this, generation](const std::string& path) { AppendFound(path, generation); });
    WalkFolder(folder, visitor);
}

TFindFileUnit::TFindFileUnit()
    : m_lock(std::make_unique<TCriticalSection>()),
      m_thread(std::make_unique<TFindFileThread>(*m_lock)) {
    FindFileLock = m_lock.get();
    FindFileThread = m_thread.get();
}

TFindFileUnit::~TFindFileUnit() {
    FindFileThread = nullptr;
    m_thread.reset(); // the thread has ended before the lock goes
    FindFileLock = nullptr;
    // Tests read this line to see the shutdown order.
    LogDebug(lcSearch) << "search worker stopped";
}

} // namespace kelvara
