// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The readers of a fast run: a few threads that prepare a window of files
// ahead of the front of the worker's file queue, so that the step can
// rename many files in one main-thread batch without waiting on a disk.
//
// The files stay queued in the worker until the step takes them, in the
// queue's order, each only once it has been read and its rename is written
// into the history (`aheadMany`, one transaction for the files read in a
// row), so that no file moves before its record is on the disk. The window
// is bounded: however many files wait, the readers hold at most `window`
// photos (each a path, its properties and its companions), so memory grows
// with the window, not with the queue.
//
// Cancel (the worker's) makes everything held void: what was read for it
// goes to `discarded`, and reading starts again at the new front.
//
// Idle readers sleep on the worker's queue or on the window; nothing polls.

#include "rename/PhotoPreparer.h"
#include "search/FindFileThread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace kelvara {

class TReadAhead : public IPhotoPreparer {
public:
    // How many readers the machine's cores allow: at least one, at most four.
    static unsigned ReadersForThisMachine();

    // Starts `readers` threads (at least one) reading up to `window` files
    // ahead (at least one).
    TReadAhead(TFindFileThread& worker, unsigned readers, std::size_t window = 256);
    // Stops the readers; a read under way ends at its next piece. What was
    // written ahead and never taken is settled from the disk at the next start.
    ~TReadAhead() override;
    TReadAhead(const TReadAhead&) = delete;
    TReadAhead& operator=(const TReadAhead&) = delete;

    std::optional<TPreparedPhoto> TakePrepared(TPathList& target) override;
    void Drop() override;
    void SetHooks(THook ahead, THook discarded, TManyHook aheadMany) override;
    void SetChoice(const TMediaChoice& choice) override;

    // How many files at the front are ready for the step.
    std::size_t ReadyCount();
    // Blocks until a batch is worth asking for (many files ready, or all
    // that is held ready), or `until`; true when the front is ready.
    bool WaitReady(std::chrono::steady_clock::time_point until);
    // Makes WaitReady return (the caller is being stopped).
    void Wake();

private:
    enum class TState { Waiting, Reading, Read, Writing, Ready };
    struct TSlot {
        TFindFileThread::TFrontFile file;
        TState state = TState::Waiting;
        TPreparedPhoto photo;
    };

    void ReaderLoop();
    // Under m_mutex (released and taken again inside): the work one reader
    // does next; false when it found nothing to do and should sleep.
    bool ReadOne(std::unique_lock<std::mutex>& lock);
    bool WriteRead(std::unique_lock<std::mutex>& lock);
    bool Fetch(std::unique_lock<std::mutex>& lock);
    // Under m_mutex: forgets the window (cancelled, or out of step with the
    // queue); what it held goes to `out` for the discarded hook.
    void ResetLocked(std::vector<TSlot>& out);
    void Discard(std::vector<TSlot>& held);
    bool BatchWorthLocked() const;
    std::size_t ReadyLocked() const;
    TSlot* SlotLocked(std::uint64_t epoch, std::uint64_t entry);

    TFindFileThread& m_worker;
    const std::size_t m_window;

    std::mutex m_mutex;                // never held while the worker's lock is taken
    std::condition_variable m_changed; // readers: work in the window, or the end
    std::condition_variable m_ready;   // the pacing thread: files ready
    std::deque<TSlot> m_slots;         // in queue order, the front first
    // Changes whenever the window is forgotten: a read or write of an older
    // one is discarded when it comes back.
    std::uint64_t m_epoch = 0;
    std::uint64_t m_generation = 0; // the worker's queue the window reads
    bool m_fetching = false;        // a reader waits on the worker's queue
    bool m_writing = false;         // a reader writes renames ahead
    bool m_stop = false;
    // Where the window's next file is in the queue, once it has one.
    std::optional<std::uint64_t> m_nextEntry;
    // For the fetch's stop test, which runs under the worker's lock and so
    // may not take m_mutex: the end, and the window forgotten.
    std::atomic<bool> m_stopping{false};
    std::atomic<std::uint64_t> m_epochSeen{0};
    bool m_wake = false;
    THook m_ahead;
    THook m_discarded;
    TManyHook m_aheadMany;
    TMediaChoice m_choice;
    std::vector<std::thread> m_threads;
};

} // namespace kelvara
