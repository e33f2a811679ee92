// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename/PhotoReader.h"

#include "platform/PathName.h"
#include "platform/ThreadPriority.h"
#include "rename/Log.h"

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
    {
        std::lock_guard guard(m_mutex);
        held.swap(m_held);
    }
    // Only the main thread takes from the queue or cancels it, so a prepared
    // file that is no longer the front was cancelled: it is dropped.
    if (!held || !m_worker.TakeFront(held->file, target))
        return std::nullopt;
    return std::move(held->photo);
}

void TPhotoReaderThread::Drop() {
    std::lock_guard guard(m_mutex);
    m_held.reset();
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
        try {
            photo = PreparePhoto(front->path, [this, generation] {
                return Terminated() || m_worker.Generation() != generation;
            });
            LookUpCompanions(front->path, photo);
        } catch (const std::exception& error) {
            // Nothing may end this thread, and with it the program: the file
            // keeps its name, the next one goes on.
            photo = TPreparedPhoto{};
            photo.failure = error.what();
            photo.failureReason = TKeptReason::Unreadable;
        } catch (...) {
            photo = TPreparedPhoto{};
            photo.failure = "an unexpected failure";
            photo.failureReason = TKeptReason::Unreadable;
        }
        if (Terminated())
            return;
        if (m_worker.Generation() != generation)
            continue; // cancelled while it was read
        const std::string path = front->path;
        {
            std::lock_guard guard(m_mutex);
            m_held = THeld{std::move(*front), std::move(photo)};
        }
        // Tests wait for this line: the file at the front is ready to take.
        qCDebug(lcRename) << "prepared" << DecodedPath(path);
    }
}

} // namespace kelvara
