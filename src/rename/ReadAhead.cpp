// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename/ReadAhead.h"

#include "base/PathName.h"
#include "rename/Log.h"
#include "rename/PreparedMedia.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace kelvara {

namespace {

// So many renames go into the history in one transaction at most before a
// reader writes them, unless nothing else is being read: each commit waits
// for the disk once, so fewer, larger ones keep the readers ahead.
constexpr std::size_t WriteBatch = 64;
// So many files ready make a batch worth waking the pacing thread for.
constexpr std::size_t ReadyBatch = 32;

TPreparedPhoto Failed(const TMediaChoice& choice, std::string why) {
    TPreparedPhoto photo;
    photo.videosChoice = choice.videos;
    photo.failure = std::move(why);
    photo.failureReason = TKeptReason::Unreadable;
    return photo;
}

} // namespace

unsigned TReadAhead::ReadersForThisMachine() {
    return std::clamp(std::thread::hardware_concurrency(), 1U, 4U);
}

TReadAhead::TReadAhead(TFindFileThread& worker, unsigned readers, std::size_t window)
    : m_worker(worker), m_window(std::max<std::size_t>(window, 1)),
      m_generation(worker.Generation()) {
    readers = std::max(readers, 1U);
    m_threads.reserve(readers);
    try {
        for (unsigned i = 0; i < readers; ++i)
            m_threads.emplace_back([this] { ReaderLoop(); });
    } catch (...) {
        // Fewer readers than asked for still read; none at all cannot.
        if (m_threads.empty())
            throw;
    }
}

TReadAhead::~TReadAhead() {
    {
        std::lock_guard guard(m_mutex);
        m_stop = true;
        m_stopping.store(true, std::memory_order_release);
    }
    m_changed.notify_all();
    m_ready.notify_all();
    m_worker.WakeWaiters();
    for (std::thread& thread : m_threads)
        thread.join();
}

void TReadAhead::SetHooks(THook ahead, THook discarded, TManyHook aheadMany) {
    std::lock_guard guard(m_mutex);
    m_ahead = std::move(ahead);
    m_discarded = std::move(discarded);
    m_aheadMany = std::move(aheadMany);
}

void TReadAhead::SetChoice(const TMediaChoice& choice) {
    std::lock_guard guard(m_mutex);
    m_choice = choice;
}

void TReadAhead::ReaderLoop() {
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        if (m_worker.Generation() != m_generation) {
            // Cancelled: nothing held is wanted any more.
            std::vector<TSlot> old;
            ResetLocked(old);
            lock.unlock();
            Discard(old);
            lock.lock();
            continue;
        }
        // Writing first: the step waits for written files, not read ones.
        if (WriteRead(lock) || ReadOne(lock) || Fetch(lock))
            continue;
        m_changed.wait(lock);
    }
}

bool TReadAhead::Fetch(std::unique_lock<std::mutex>& lock) {
    if (m_fetching || m_slots.size() >= m_window)
        return false;
    m_fetching = true;
    const std::uint64_t epoch = m_epoch;
    const std::uint64_t generation = m_generation;
    const std::size_t room = m_window - m_slots.size();
    const std::optional<std::uint64_t> from = m_nextEntry;
    lock.unlock();
    std::vector<TFindFileThread::TFrontFile> entries;
    try {
        entries = m_worker.WaitForEntries(generation, from, room, [this, epoch] {
            return m_stopping.load(std::memory_order_acquire) ||
                   m_epochSeen.load(std::memory_order_acquire) != epoch;
        });
    } catch (...) {
        // Out of memory for the list: the next look tries again.
    }
    lock.lock();
    m_fetching = false;
    if (epoch == m_epoch) {
        for (TFindFileThread::TFrontFile& entry : entries) {
            if (m_nextEntry && entry.entry < *m_nextEntry)
                continue;
            m_nextEntry = entry.entry + 1;
            m_slots.push_back(TSlot{std::move(entry), TState::Waiting, {}});
        }
    }
    m_changed.notify_all();
    return true;
}

bool TReadAhead::ReadOne(std::unique_lock<std::mutex>& lock) {
    const auto waiting = std::find_if(m_slots.begin(), m_slots.end(), [](const TSlot& slot) {
        return slot.state == TState::Waiting;
    });
    if (waiting == m_slots.end())
        return false;
    waiting->state = TState::Reading;
    const std::string path = waiting->file.path;
    const std::uint64_t entry = waiting->file.entry;
    const std::uint64_t generation = waiting->file.generation;
    const std::uint64_t epoch = m_epoch;
    const TMediaChoice choice = m_choice;
    lock.unlock();
    TPreparedPhoto photo;
    try {
        photo = PrepareMedia(path, choice, [this, generation] {
            return m_stopping.load(std::memory_order_acquire) ||
                   m_worker.Generation() != generation;
        });
        LookUpCompanions(path, photo);
    } catch (const std::exception& error) {
        // Nothing may end a reader: the file keeps its name in its turn.
        photo = Failed(choice, error.what());
    } catch (...) {
        photo = Failed(choice, "an unexpected failure");
    }
    lock.lock();
    if (TSlot* slot = SlotLocked(epoch, entry)) {
        slot->photo = std::move(photo);
        slot->state = TState::Read;
    }
    return true;
}

bool TReadAhead::WriteRead(std::unique_lock<std::mutex>& lock) {
    if (m_writing)
        return false;
    auto first = std::find_if(m_slots.begin(), m_slots.end(),
                              [](const TSlot& slot) { return slot.state != TState::Ready; });
    auto last = first;
    while (last != m_slots.end() && last->state == TState::Read)
        ++last;
    const auto count = static_cast<std::size_t>(last - first);
    if (count == 0)
        return false;
    const bool stillReading = std::any_of(m_slots.begin(), m_slots.end(), [](const TSlot& slot) {
        return slot.state == TState::Waiting || slot.state == TState::Reading;
    });
    if (count < WriteBatch && stillReading)
        return false;
    m_writing = true;
    const std::uint64_t epoch = m_epoch;
    std::vector<TSlot> batch;
    batch.reserve(count);
    for (auto slot = first; slot != last; ++slot) {
        slot->state = TState::Writing;
        batch.push_back(TSlot{slot->file, TState::Writing, std::move(slot->photo)});
    }
    const THook ahead = m_ahead;
    const TManyHook aheadMany = m_aheadMany;
    lock.unlock();
    if (aheadMany) {
        std::vector<TPathPhoto> photos;
        photos.reserve(batch.size());
        for (TSlot& slot : batch)
            photos.push_back({&slot.file.path, &slot.photo});
        aheadMany(photos);
    } else if (ahead) {
        for (TSlot& slot : batch)
            ahead(slot.file.path, slot.photo);
    }
    lock.lock();
    m_writing = false;
    std::vector<TSlot> lost;
    for (TSlot& written : batch) {
        if (TSlot* slot = SlotLocked(epoch, written.file.entry)) {
            slot->photo = std::move(written.photo);
            slot->state = TState::Ready;
            // Tests wait for this line: the file is ready for the step.
            LogDebug(lcRename) << "prepared" << DecodedPath(slot->file.path);
        } else {
            lost.push_back(std::move(written));
        }
    }
    if (!lost.empty()) {
        lock.unlock();
        Discard(lost);
        lock.lock();
    }
    m_ready.notify_all();
    return true;
}

TReadAhead::TSlot* TReadAhead::SlotLocked(std::uint64_t epoch, std::uint64_t entry) {
    if (epoch != m_epoch || m_slots.empty() || entry < m_slots.front().file.entry)
        return nullptr;
    const auto index = static_cast<std::size_t>(entry - m_slots.front().file.entry);
    if (index >= m_slots.size() || m_slots[index].file.entry != entry)
        return nullptr;
    return &m_slots[index];
}

void TReadAhead::ResetLocked(std::vector<TSlot>& out) {
    ++m_epoch;
    m_epochSeen.store(m_epoch, std::memory_order_release);
    for (TSlot& slot : m_slots)
        if (slot.state == TState::Ready)
            out.push_back(std::move(slot));
    m_slots.clear();
    m_nextEntry.reset();
    m_generation = m_worker.Generation();
    m_changed.notify_all();
}

void TReadAhead::Discard(std::vector<TSlot>& held) {
    THook discarded;
    {
        std::lock_guard guard(m_mutex);
        discarded = m_discarded;
    }
    if (!discarded)
        return;
    for (TSlot& slot : held)
        if (slot.photo.intent)
            discarded(slot.file.path, slot.photo);
}

std::optional<TPreparedPhoto> TReadAhead::TakePrepared(TPathList& target) {
    TSlot taken;
    {
        std::lock_guard guard(m_mutex);
        if (m_slots.empty() || m_slots.front().state != TState::Ready)
            return std::nullopt;
        taken = std::move(m_slots.front());
        m_slots.pop_front();
    }
    m_changed.notify_all();
    if (m_worker.TakeFront(taken.file, target))
        return std::move(taken.photo);
    // Cancelled, or the queue moved on without us: start again at its front.
    std::vector<TSlot> old;
    {
        std::lock_guard guard(m_mutex);
        ResetLocked(old);
    }
    // A reader waiting on the queue for the old window looks again.
    m_worker.WakeWaiters();
    old.push_back(std::move(taken));
    Discard(old);
    return std::nullopt;
}

void TReadAhead::Drop() {
    std::vector<TSlot> old;
    {
        std::lock_guard guard(m_mutex);
        ResetLocked(old);
    }
    m_worker.WakeWaiters();
    Discard(old);
}

std::size_t TReadAhead::ReadyCount() {
    std::lock_guard guard(m_mutex);
    return ReadyLocked();
}

std::size_t TReadAhead::ReadyLocked() const {
    std::size_t ready = 0;
    while (ready < m_slots.size() && m_slots[ready].state == TState::Ready)
        ++ready;
    return ready;
}

bool TReadAhead::BatchWorthLocked() const {
    const std::size_t ready = ReadyLocked();
    return ready >= ReadyBatch || (ready > 0 && ready == m_slots.size());
}

bool TReadAhead::WaitReady(std::chrono::steady_clock::time_point until) {
    std::unique_lock lock(m_mutex);
    m_ready.wait_until(lock, until, [this] { return m_stop || m_wake || BatchWorthLocked(); });
    m_wake = false;
    return ReadyLocked() > 0;
}

void TReadAhead::Wake() {
    {
        std::lock_guard guard(m_mutex);
        m_wake = true;
    }
    m_ready.notify_all();
}

} // namespace kelvara
