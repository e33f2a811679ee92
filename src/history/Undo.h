// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Undoing a rename run: every photo it renamed, the latest first, goes back
// to its old name with its companions, each only while its new name still
// holds the file that was renamed (its identity) and its old name is free,
// with the no-replace move and the all-or-nothing rule of the rename
// (history/GroupMove.h). Anything else stays where it is and is listed in
// the undo's record with why: gone, changed (moved, replaced, written to),
// old name taken. A companion that is gone is left out and the rest of its
// photo goes back; any other companion that cannot go back holds its photo
// back, and the photo that cannot holds its companions back.
//
// The undo is a run of its own in the history, its moves written ahead like
// a rename's, so an undo cut off is settled at the next start and can be
// finished: an undo of the same run again tries only what has not gone back.
// It runs on any thread; `stop` is asked before each photo (Escape): what
// is back stays back, the rest can be undone later. `progress` is called
// after each batch of photos.

#include "history/History.h"

#include <cstddef>
#include <functional>

namespace kelvara {

struct TUndoProgress {
    std::size_t done = 0;  // photos looked at
    std::size_t total = 0; // photos to look at
    std::size_t movedBack = 0;
    std::size_t stayed = 0;
};

struct TUndoReport {
    TRunId undoRun = 0; // 0 when nothing was left to move back
    bool stopped = false;
    std::size_t movedBack = 0; // photos (with their companions) back
    std::size_t stayed = 0;    // photos that stay, some or all of their files
};

// `run` must be a rename run. Throws THistoryError when it is not, or when
// the history cannot be read or written; what has moved by then is in its
// record, written ahead, and is settled at the next start.
TUndoReport UndoRun(THistory& history, TRunId run, const std::function<bool()>& stop = {},
                    const std::function<void(const TUndoProgress&)>& progress = {});

} // namespace kelvara
