// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What prepares files for the rename step off the main thread: the reader
// of the default pace (rename/PhotoReader.h, the front file only) or the
// readers of a fast run (rename/ReadAhead.h, a window of files ahead of the
// front). Either hands the step the front of the worker's file queue once it
// has read it, in the queue's order, and never anything else.

#include "photo/MediaFile.h"
#include "rename/PreparedPhoto.h"
#include "search/PathList.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kelvara {

class IPhotoPreparer {
public:
    virtual ~IPhotoPreparer() = default;

    // Main thread: when the front file is prepared, moves it from the worker
    // to the end of `target` and gives what was learnt of it; otherwise
    // moves nothing and gives nullopt.
    virtual std::optional<TPreparedPhoto> TakePrepared(TPathList& target) = 0;
    // Main thread: forgets what is held (the queues were cancelled).
    virtual void Drop() = 0;

    // What is done with a photo once it is read (`ahead`: its rename is
    // written into the history before the step takes it) and with one read
    // for nothing (`discarded`: Escape took it out of the queue). They run
    // on a reader thread, or for a photo dropped by Drop on the caller's;
    // none may throw. Set before the first file is queued.
    using THook = std::function<void(const std::string& path, TPreparedPhoto& photo)>;
    // The same as `ahead` for many photos at once, in the queue's order, so
    // that their renames go into the history in one transaction.
    struct TPathPhoto {
        const std::string* path;
        TPreparedPhoto* photo;
    };
    using TManyHook = std::function<void(const std::vector<TPathPhoto>& photos)>;
    virtual void SetHooks(THook ahead, THook discarded, TManyHook aheadMany) = 0;
    // Any thread: the choice the next file is read with (videos off until
    // told otherwise).
    virtual void SetChoice(const TMediaChoice& choice) = 0;
};

} // namespace kelvara
