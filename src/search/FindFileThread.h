#pragma once
// The search worker: a background thread that owns the program's two work
// queues, the folders still to be searched and the files found so far.
//
//  - AddPath (main thread) queues a folder for searching or a file directly.
//  - The worker polls every millisecond, takes the first queued folder in the
//    locale's case-insensitive order and searches it depth-first, appending
//    every file it finds to the file queue, one locked append per file.
//  - TakeFiles (main thread) moves found files to the rename step's list.
//  - Cancel (main thread, Escape) empties both queues and stops the search.
//
// One lock, the caller's `lock` (the program's FindFileLock), guards both
// queues. It is never held while a folder is enumerated, only around a queue
// operation (and around AddPath's existence checks).
//
// Cancel is final for everything queued or searched before it: each Cancel
// starts a new generation under the lock, and a search appends a file only
// while its generation is still current. So once Cancel has returned, no file
// of an earlier search can reach the file queue, not even one found in the
// instant before the search noticed the abort.
//
// Symbolic links to folders are never followed inside a search (a link loop
// would recurse for ever); a link to a file is queued like the file. A folder
// handed to AddPath is searched even when the path itself is a link: the user
// named it.
//
// Any depth is searched whole. A search holds one folder open per level, but
// never more than a few dozen at once: deeper down, and wherever the process
// runs out of descriptors, a folder's remaining entries are read into memory,
// its descriptor is closed, and the folders below are opened by their path.
// The order of the files and the cancel rules stay the same.

#include "platform/UniqueFd.h"
#include "search/PathList.h"
#include "thread/Thread.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace kelvara {

using TCriticalSection = std::mutex;

class TFindFileThread : public TThread {
public:
    // Created suspended: nothing is searched until Resume.
    explicit TFindFileThread(TCriticalSection& lock);
    // Stops the worker: a running search is abandoned at its next entry, and
    // the thread has ended before the queues go away.
    ~TFindFileThread() override;

    // Queues an existing folder (a delimiter appended) for searching, once
    // while it waits; an existing file goes straight to the file queue, as
    // often as it comes. Anything else is dropped.
    void AddPath(const std::string& path);
    // Empties both queues and stops a running search.
    void Cancel();
    // Moves up to `count` found files, oldest first, to the end of `target`.
    void TakeFiles(TPathList& target, int count);

    // True while a folder waits to be searched or a search runs.
    bool HasSearchWork();
    // How many found files wait; for tests and measurements.
    std::size_t FileCount();

protected:
    void Execute() override;

private:
    // Folder queue entry: ordered by the locale's case-insensitive collation;
    // paths that collate alike but differ in their bytes are distinct folders
    // (Linux names are case-sensitive), kept in byte order.
    struct TQueuedFolder {
        QCollatorSortKey key;
        std::string path;
    };
    struct TFolderOrder {
        bool operator()(const TQueuedFolder& a, const TQueuedFolder& b) const;
    };

    // Searches the open folder `folder` whose path (ending in '/') is in
    // `dir`; `dir` is extended and restored on the way down.
    void SearchFolder(TUniqueFd folder, std::string& dir, std::uint64_t generation);
    // Opens a queued folder and searches it.
    void SearchFolder(const std::string& folder, std::uint64_t generation);
    void AppendFound(const std::string& path, std::uint64_t generation);
    bool Aborted(std::uint64_t generation) const;

    TCriticalSection& m_lock;
    QCollator m_collator; // used under m_lock only

    std::set<TQueuedFolder, TFolderOrder> FFolders; // under m_lock
    TPathList FFiles;                               // under m_lock
    // Written under m_lock only; atomic so that a running search can look at
    // it without the lock as its cheap abort test.
    std::atomic<std::uint64_t> m_generation{0};
    std::atomic<std::size_t> m_folderCount{0}; // FFolders.size(), readable without the lock

    std::atomic<bool> FSearching{false};
    std::atomic<bool> FAbort{false};
    // The worker thread's own: how many folders the running search holds open.
    std::size_t m_openFolders = 0;
};

// The program's one worker and its lock; both exist from start-up to the end
// of the program (TFindFileUnit below sets them).
extern TCriticalSection* FindFileLock;
extern TFindFileThread* FindFileThread;

// Creates FindFileLock and then FindFileThread (suspended) and, when it goes,
// releases the worker (stopping its thread) and then the lock.
class TFindFileUnit {
public:
    TFindFileUnit();
    ~TFindFileUnit();
    TFindFileUnit(const TFindFileUnit&) = delete;
    TFindFileUnit& operator=(const TFindFileUnit&) = delete;

private:
    std::unique_ptr<TCriticalSection> m_lock;
    std::unique_ptr<TFindFileThread> m_thread;
};

} // namespace kelvara
