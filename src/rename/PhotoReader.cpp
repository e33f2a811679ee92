// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename/PhotoReader.h"

#include "base/PathName.h"
#include "platform/ThreadPriority.h"
#include "rename/Log.h"
#include "rename/PreparedMedia.h"

#include <exception>

namespace kelvara {

TPhotoReaderThread::TPhotoReaderThread(TFindFileThread& worker) : m_worker(worker) {
    Resume();
}

TPhotoReaderThread::~TPhotoReaderThread() {
    Terminate();
    m_worker.WakeWaiters();
    WaitFor();
}

std::optional<TPreparedPhoto> TPhotoReaderThread::TakePrepared(TPathList& target) {
    std::optional<THeld> held;
    THook discarded;
    {
        std::lock_guard guard(m_mutex);
        held.swap(m_held);
        discarded = m_discarded;
    }
    if (!held)
        return std::nullopt;
    // Only the main thread takes from the queue or cancels it, so a prepared
    // file that is no longer the front was cancelled: it is dropped.
    if (!m_worker.TakeFront(held->file, target)) {
        if (discarded)
            discarded(held->file.path, held->photo);
        return std::nullopt;
    }
    return std::move(held->photo);
}

void TPhotoReaderThread::Drop() {
    std::optional<THeld> held;
    THook discarded;
    {
        std::lock_guard guard(m_mutex);
        held.swap(m_held);
        discarded = m_discarded;
    }
    if (held && discarded)
        discarded(held->file.path, held->photo);
}

void TPhotoReaderThread::SetHooks(THook ahead, THook discarded, TManyHook) {
    std::lock_guard guard(m_mutex);
    m_ahead = std::move(ahead);
    m_discarded = std::move(discarded);
}

void TPhotoReaderThread::SetChoice(const TMediaChoice& choice) {
    std::lock_guard guard(m_mutex);
    m_choice = choice;
}

void TPhotoReaderThread::Execute() {
    YieldToOtherThreads();
    std::optional<TFindFileThread::TFrontFile> last;
    for (;;) {
        auto front = m_worker.WaitForNextFront(last, [this] { return Terminated(); });
        if (!front)
            return;
        last = front;
        const std::uint64_t generation = front->generation;
        TPreparedPhoto photo;
        TMediaChoice choice;
        {
            std::lock_guard guard(m_mutex);
            choice = m_choice;
        }
        try {
            photo = PrepareMedia(front->path, choice, [this, generation] {
                return Terminated() || m_worker.Generation() != generation;
            });
            LookUpCompanions(front->path, photo);
            THook ahead;
            {
                std::lock_guard guard(m_mutex);
                ahead = m_ahead;
            }
            if (ahead && m_worker.Generation() == generation)
                ahead(front->path, photo);
        } catch (const std::exception& error) {
            // Nothing may end this thread, and with it the program: the file
            // keeps its name, the next one goes on.
            photo = TPreparedPhoto{};
            photo.videosChoice = choice.videos;
            photo.failure = error.what();
            photo.failureReason = TKeptReason::Unreadable;
        } catch (...) {
            photo = TPreparedPhoto{};
            photo.videosChoice = choice.videos;
            photo.failure = "an unexpected failure";
            photo.failureReason = TKeptReason::Unreadable;
        }
        if (Terminated()) {
            // The program ends: whatever was written ahead is settled from
            // the disk at the next start.
            return;
        }
        if (m_worker.Generation() != generation) {
            // Cancelled while it was read.
            THook discarded;
            {
                std::lock_guard guard(m_mutex);
                discarded = m_discarded;
            }
            if (discarded)
                discarded(front->path, photo);
            continue;
        }
        const std::string path = front->path;
        {
            std::lock_guard guard(m_mutex);
            m_held = THeld{std::move(*front), std::move(photo)};
        }
        // Tests wait for this line: the file at the front is ready to take.
        LogDebug(lcRename) << "prepared" << DecodedPath(path);
    }
}

} // namespace kelvara
