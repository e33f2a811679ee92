// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The search worker: a background thread that owns the program's two work
// queues, the folders still to be searched and the files found so far.
//
//  - AddPath (main thread) queues a folder for searching or a file directly.
//  - The worker sleeps until a folder is queued (or it is asked to stop),
//    takes the first queued folder in the locale's case-insensitive order and
//    searches it depth-first, appending every file it finds to the file
//    queue, one locked append per file. With nothing queued it never wakes.
//  - TakeFiles (main thread) moves found files to the rename step's list.
//  - Cancel (main thread, Escape) empties both queues and stops the search.
//  - Two more threads may sleep on the queues: the pacing thread until there
//    is any work at all (WaitForWork), and a reader that prepares the file at
//    the front of the file queue before the step takes it (WaitForNextFront,
//    TakeFront). Whoever asks such a thread to stop calls WakeWaiters.
//
// One lock, the caller's `lock` (the program's FindFileLock), guards both
// queues and is the lock of every wait above. It is never held while a
// folder is enumerated, only around a queue operation (and around AddPath's
// existence checks).
//
// Cancel is final for everything queued or searched before it: each Cancel
// starts a new generation under the lock, and a search appends a file only
// while its generation is still current. So once Cancel has returned, no file
// of an earlier search can reach the file queue, not even one found in the
// instant before the search noticed the abort.
//
// The folders are walked as platform/FolderWalk.h says: depth first, links
// to folders not followed below a queued folder, any depth whole.

#include "search/FolderCollation.h"
#include "search/PathList.h"
#include "thread/Thread.h"
#include "thread/WorkSignal.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kelvara {

using TCriticalSection = std::mutex;

class TFindFileThread : public TThread, public IWorkSignal {
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
    // Queues paths that arrived together (one command line, one handoff, one
    // drop) as AddPath does each, in one holding of the lock: the worker
    // finds them all queued at once, so their folders are searched in its
    // order, each once, whatever order they came in.
    void AddPaths(const std::vector<std::string>& paths);
    // Empties both queues and stops a running search.
    void Cancel();
    // Moves up to `count` found files, oldest first, to the end of `target`.
    void TakeFiles(TPathList& target, int count);

    // True while a folder waits to be searched or a search runs.
    bool HasSearchWork();
    // How many found files wait; for tests and measurements.
    std::size_t FileCount();

    // Work is a folder queued, a search running or a file found. WaitForWork
    // blocks while there is none, until some is queued or `stop()` holds,
    // which it tests under the lock.
    bool HasWork() override;
    void WaitForWork(const std::function<bool()>& stop) override;

    // One entry of the file queue: the same path may be queued twice, and
    // Cancel may empty the queue and a new drop fill it with the same path,
    // so an entry is told by the generation of its queue and by how many
    // files were taken from the front before it got there.
    struct TFrontFile {
        std::string path;
        std::uint64_t generation = 0;
        std::uint64_t entry = 0;
        bool SameEntry(const TFrontFile& other) const {
            return generation == other.generation && entry == other.entry;
        }
    };
    // Blocks until the front of the file queue is an entry other than
    // `previous` (any entry without one) and gives it, still queued; nullopt
    // once `stop()` holds, which is tested under the lock.
    std::optional<TFrontFile> WaitForNextFront(const std::optional<TFrontFile>& previous,
                                               const std::function<bool()>& stop);
    // Moves the front file to the end of `target` if it is still the entry
    // `front` (neither taken nor cancelled since); false otherwise.
    bool TakeFront(const TFrontFile& front, TPathList& target);
    // Blocks until the file queue holds entries from `from` on (from its
    // front without one) in generation `generation`, and gives up to `most`
    // of them, still queued, oldest first; empty once `stop()` holds (tested
    // under the lock) or the queues were cancelled since that generation.
    // A reader that prepares several files ahead of the step takes its work
    // from here.
    std::vector<TFrontFile> WaitForEntries(std::uint64_t generation,
                                           std::optional<std::uint64_t> from, std::size_t most,
                                           const std::function<bool()>& stop);
    // Changes whenever Cancel empties the queues: a reader working on a file
    // of an older generation may give up at once.
    std::uint64_t Generation() const { return m_generation.load(std::memory_order_acquire); }

    // Makes every WaitForWork and WaitForNextFront test its `stop` again.
    void WakeWaiters() override;

protected:
    void Execute() override;

private:
    // Folder queue entry: ordered by the locale's case-insensitive collation;
    // paths that collate alike but differ in their bytes are distinct folders
    // (Linux names are case-sensitive), kept in byte order.
    struct TQueuedFolder {
        std::wstring key;
        std::string path;
    };
    struct TFolderOrder {
        bool operator()(const TQueuedFolder& a, const TQueuedFolder& b) const;
    };

    // Walks a queued folder.
    void SearchFolder(const std::string& folder, std::uint64_t generation);
    void AppendFound(const std::string& path, std::uint64_t generation);
    bool Aborted(std::uint64_t generation) const;
    // Under m_lock: moves the front file to `target`; true when another file
    // is the front now (the caller wakes the reader once it has unlocked).
    bool PopFront(TPathList& target);
    // Under m_lock: a file was appended; the first one is a new front.
    void FileAppended();
    bool HasWorkLocked() const;
    // Under m_lock: AddPath's work for one path, without waking anyone.
    // What it queued is added to `folderQueued` and `fileQueued`.
    void QueueLocked(const std::string& path, bool& folderQueued, bool& fileQueued);

    TCriticalSection& m_lock;
    TFolderCollation m_collation; // used under m_lock only

    std::set<TQueuedFolder, TFolderOrder> FFolders; // under m_lock
    TPathList FFiles;                               // under m_lock
    // Written under m_lock only; atomic so that a running search can look at
    // it without the lock as its cheap abort test.
    std::atomic<std::uint64_t> m_generation{0};
    std::uint64_t m_taken = 0; // files ever taken from the front; under m_lock

    // All under m_lock.
    std::condition_variable m_folderQueued; // the worker: a folder, or the end
    std::condition_variable m_workQueued;   // the pacing thread: anything queued
    std::condition_variable m_frontChanged; // the reader: a new front file
    std::condition_variable m_entryAdded;   // readers ahead: any file, or a cancel

    std::atomic<bool> FSearching{false};
    std::atomic<bool> FAbort{false};
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
