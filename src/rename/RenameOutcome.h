// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the rename step did with one file, as it tells whoever watches it
// (the window counts, the history records): renamed, with the moves it made,
// or kept, with the reason.
//
// The step already decides each case on its way; a reason only names which
// one it was. The watcher is called on the main thread, inside the step, so
// it must be quick and must not throw: it counts, or hands the outcome on.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvara {

// Why a file kept its name.
enum class TKeptReason {
    NoShootingDate,  // a photo without a real shooting date
    AlreadyDated,    // its name already holds its date text
    NotAPhoto,       // no raster image (a video, a text, a damaged file)
    Unreadable,      // it could not be read (no access, a failed read, bad metadata)
    NameTaken,       // its new name, or a companion's, is taken
    NameNotPortable, // the new name could not stand in a folder, or is too long
    GoneOrChanged,   // it went, or changed, before its turn
    Cancelled,       // Escape ended the run before its turn
    NoLayout,        // no layout is chosen: nothing is renamed
    MoveRefused,     // the file system refused the move (read-only, no permission)
};

inline constexpr std::size_t KeptReasonCount = 10;

// A stable word for each reason, for debug lines, the history and exports:
// "no-date", "already-dated", "not-a-photo", "unreadable", "name-taken",
// "name-not-portable", "gone-or-changed", "cancelled", "no-layout",
// "move-refused".
std::string_view KeptReasonKey(TKeptReason reason) noexcept;
// The reason a key names; nullopt for any other text.
std::optional<TKeptReason> KeptReasonFromKey(std::string_view key) noexcept;
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
