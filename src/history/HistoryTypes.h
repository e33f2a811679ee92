// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the history holds: runs, the renames written ahead of them (intents)
// with what became of each, and the files a run left alone with the reason.
// Names are the file system's bytes, whatever they are; they become text
// only where they are shown.

#include "platform/FileIdentity.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelvara {

using TRunId = std::int64_t;
using TIntentId = std::int64_t;
using THistoryClock = std::chrono::system_clock;

enum class TRunKind { Rename = 0, Undo = 1 };

// How a run ended; a run that is still going on has no ending yet.
enum class TRunEnding {
    Finished = 0,  // its queues ran empty
    Cancelled = 1, // Escape (or Escape during an undo)
    Killed = 2,    // the program ended without ending it; found at the next start
};

// Why a file kept its name. Stored as these numbers: never renumber.
enum class TKeptReason {
    NoDate = 1,          // no shooting date
    AlreadyDated = 2,    // its name already holds its date
    NotAPhoto = 3,       // no raster image
    Unreadable = 4,      // could not be read
    NameTaken = 5,       // the new name (its own or a companion's) is taken
    NameNotPortable = 6, // the new name cannot stand in a folder or is too long
    GoneOrChanged = 7,   // gone, or another file under its name, before its turn
    Cancelled = 8,       // Escape before its turn
    Interrupted = 9,     // the program ended between the record and the move
    MoveFailed = 10,     // the move itself failed (access denied, say)
    NoLayout = 30,       // no name layout is chosen, so nothing is renamed
    // An undo's: why a renamed file did not go back.
    Gone = 20,         // nothing under its new name any more
    Changed = 21,      // another file, or the file changed, under its new name
    OldNameTaken = 22, // its old name holds a file again
    HeldBack = 23,     // another file of its photo could not go back
};

// One file of a rename: a photo, or one of its companions.
struct TFileRename {
    std::string oldName;
    std::string newName;
    // The file as it was read or found.
    TFileIdentity identity;
};

// A rename about to happen, recorded before it does: a photo (first) with
// its companions, in one folder.
struct TIntent {
    std::string folder;
    std::vector<TFileRename> files;
    // Which source gave the shooting date (DateSourceName's text); empty
    // when not known, as for an undo's intents.
    std::string dateSource = {};
};

// What became of an intent.
enum class TIntentOutcome {
    Done = 0,   // every file has its new name
    Kept = 1,   // every file has its old name
    Partly = 2, // a half-way move: each file as the disk showed it
    // Written for names that were then not meant any more (the naming
    // options changed before the move); another intent of the same files
    // took its place in the same transaction. Neither renamed nor kept.
    Superseded = 3,
};

// A file left alone, with why.
struct TKeptFile {
    std::string folder;
    std::string name;
    TKeptReason reason;
};

// What a run is now, for the list of runs.
enum class TRunState {
    GoingOn,      // begun, not yet ended (this program is running it)
    Finished,     // every file it could rename renamed
    Cancelled,    // stopped by Escape
    Killed,       // the program ended under it
    Undone,       // every file it renamed is back under its old name
    PartlyUndone, // some are back
};

struct TRunSummary {
    TRunId id = 0;
    TRunKind kind = TRunKind::Rename;
    // For an undo: the run it moves back.
    std::optional<TRunId> undoOf;
    THistoryClock::time_point started;
    std::optional<THistoryClock::time_point> ended;
    std::optional<TRunEnding> ending;
    TRunState state = TRunState::GoingOn;
    // The paths given (dropped, on the command line, handed over).
    std::vector<std::string> paths;
    // Photos renamed (moved back, for an undo) and files left alone, as the
    // records show them.
    std::int64_t renamed = 0;
    std::int64_t kept = 0;
};

// One renamed file of a run, for its list.
struct TRenameRecord {
    TIntentId intent = 0;
    std::string folder;
    std::string oldName;
    std::string newName;
    // It has its new name (as far as the run goes: a half-way move's
    // companion that moved back does not).
    bool renamed = false;
    // It was moved back by an undo.
    bool undone = false;
    // Which source gave the shooting date of its rename; empty when the
    // history did not keep it (renames recorded by an earlier release).
    std::string dateSource;
};

} // namespace kelvara
