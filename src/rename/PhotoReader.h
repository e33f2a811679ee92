// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The reader thread: prepares the photo at the front of the worker's file
// queue (image test and properties, read head first, and the photo's
// companions) before the rename step takes it, so that the step on the main thread only composes
// the name and renames, and the main thread never waits on a disk, however large the file or slow
// the medium.
//
// What it holds is only ever the front of the file queue, which stays queued
// until the step takes it: the pacing thread's look for work counts it,
// Cancel empties it away (a read under way for it stops at its next piece,
// and its result is never used), and the files go in the queue's order, one
// per step. It holds one file's properties at a time, and a file's content
// only while it reads it.
//
// Whether videos are read too (rename/PreparedMedia.h) is the choice last
// given to it, read at the start of each file.
//
// It sleeps while the front of the queue is what it has prepared already.
// No failure of a read leaves it: the file keeps its name, as in the step.

#include "photo/MediaFile.h"
#include "rename/PhotoPreparer.h"
#include "rename/PreparedPhoto.h"
#include "search/FindFileThread.h"
#include "search/PathList.h"
#include "thread/Thread.h"

#include <functional>
#include <mutex>
#include <optional>

namespace kelvara {

class TPhotoReaderThread : public TThread, public IPhotoPreparer {
public:
    // Starts at once.
    explicit TPhotoReaderThread(TFindFileThread& worker);
    // Stops the thread; a read under way ends at its next piece.
    ~TPhotoReaderThread() override;

    // Main thread: when the front file is prepared, moves it from the worker
    // to the end of `target` and gives what was learnt of it; otherwise
    // moves nothing and gives nullopt.
    std::optional<TPreparedPhoto> TakePrepared(TPathList& target) override;
    // Main thread: forgets what is held (the queues were cancelled).
    void Drop() override;

    // What the reader does with a photo after it has read it (`ahead`: the
    // step writes its rename into the history) and with one it read for
    // nothing (`discarded`: Escape took it out of the queue). Both run on
    // the reader thread, or for a photo dropped by Drop on the caller's;
    // neither may throw. Set before the first file is queued.
    void SetHooks(THook ahead, THook discarded, TManyHook aheadMany) override;
    // Any thread: the choice the next file is read with (videos off until
    // told otherwise).
    void SetChoice(const TMediaChoice& choice) override;

protected:
    void Execute() override;

private:
    struct THeld {
        TFindFileThread::TFrontFile file;
        TPreparedPhoto photo;
    };

    TFindFileThread& m_worker;
    std::mutex m_mutex; // guards m_held only; never held with the worker's lock
    std::optional<THeld> m_held;
    THook m_ahead;         // guarded by m_mutex when set
    THook m_discarded;     // guarded by m_mutex when set
    TMediaChoice m_choice; // guarded by m_mutex
};

} // namespace kelvara
