// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the rename step did with one file, as it tells whoever watches it
// (the window counts, the history records): renamed, with the moves it made,
// or kept, with the reason.
//
// The step already decides each case on its way; a reason only names which
// one it was. The watcher is called on the main thread, inside the step, so
// it must be quick and must not throw: it counts, or hands the outcome on.

#include "history/HistoryTypes.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvara {

// Why a file kept its name: the reasons the history keeps
// (history/HistoryTypes.h). The step gives NoDate, AlreadyDated, NotAPhoto,
// Unreadable, NameTaken, NameNotPortable, GoneOrChanged, Cancelled,
// MoveFailed and NoLayout.

// A word for each reason, for the step's debug lines: "no-date",
// "already-dated", "not-a-photo", "unreadable", "name-taken",
// "name-not-portable", "gone-or-changed", "cancelled", "move-failed",
// "no-layout" (and for an undo's: "interrupted", "gone", "changed",
// "old-name-taken", "held-back").
std::string_view KeptReasonKey(TKeptReason reason) noexcept;
// The reason for a move that failed with the system error `error` (an errno
// value): a taken name, a file gone, a name the file system will not take,
// or a refusal.
TKeptReason KeptReasonForMoveError(int error) noexcept;

// One move the step made: full paths, old and new.
struct TRenamedFile {
    std::string from;
    std::string to;
};

struct TFileOutcome {
    // The file as it was queued.
    std::string path;
    // Empty when the file was renamed.
    std::optional<TKeptReason> kept;
    // For a kept file, what was met, in the words of whatever failed (for
    // the debug line and the history's details); may be empty.
    std::string detail;
    // For a renamed photo, the photo's move first, then its companions', as
    // they stand after the step (a companion that could not follow and could
    // not move back is listed too; one that moved back is not).
    std::vector<TRenamedFile> moves;

    bool Renamed() const { return !kept.has_value(); }
};

// Watches the rename step. Every call comes on the main thread, inside a
// step, and must neither throw nor wait.
class IRenameObserver {
public:
    virtual ~IRenameObserver() = default;
    // Once for every file the step is done with: each file taken from the
    // queue, and each file that Escape took out of the queue (Cancelled).
    virtual void FileDone(const TFileOutcome& outcome) noexcept = 0;
    // Escape emptied the queues; the FileDone calls for the files it took
    // out came just before.
    virtual void Cancelled() noexcept = 0;
    // A step found the queues empty and no search left, after files were
    // taken since they were last seen so.
    virtual void QueuesEmpty() noexcept = 0;
};

} // namespace kelvara
