// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Renaming a photo together with its companions (rename/Companions.h), all
// or nothing as far as the file system allows: a photo must not lose its
// sidecar, nor a Live Photo its video.
//
//  1. Check. A companion's new name is the photo's new prefix (its new name
//     less its old one: the date, size and model as the layout gives them,
//     with their underscores) followed by the companion's own name:
//     IMG_5195.MOV beside IMG_5195.HEIC becomes
//     202104111547_2566x3313_iPhone11ProMax_IMG_5195.MOV. It is held to the
//     rules of the photo's own new name (rename/NewName.h): one that could
//     not stand in a folder or is too long is not used. If any companion's
//     new name is unusable or already taken, nothing moves.
//  2. Move. The photo moves, then each companion, with the no-replace move
//     (platform/MoveFile.h): nothing is ever replaced.
//     Just before the photo moves, its name must still hold the file that
//     was read (its identity, platform/FileIdentity.h), and each companion's
//     the file that was found: a file swapped in since keeps its name, and
//     so does the photo with all its companions.
//  3. Undo. If a companion's move still fails (its new name was taken, or it
//     went, since the check), the companions already moved and then the photo
//     move back, last first, with the same no-replace move, and everything is
//     as it was. Should a move back fail too, the undo stops there: what has
//     its new name keeps it, the rest keep their old ones, so the photo stays
//     with as many of its companions as it can and no file is lost.
//
// Debug lines, for tests to wait for and count (the photo's own line,
// "renamed" or "kept", is the step's): "companion <path> moved to <target>"
// for each companion moved, "moved back <target> to <path>" for each move
// undone, "cannot move back <target> to <path>" where the undo stops.

#include "rename/Companions.h"
#include "rename/RenameOutcome.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kelvara {

// The points where a test steps in. Each left empty is the program's own.
struct TCompanionMoveSeams {
    // The no-replace move (MoveFileNoReplace).
    std::function<void(const std::string& from, const std::string& to)> move;
    // Called once every check has passed, just before the photo moves; a
    // test races the move here (it takes a name, removes a companion).
    std::function<void()> checked;
    // The image test (IsImageFile).
    TImageTest isImage;
};

// How a move that did not throw ended.
enum class TMoveOutcome {
    Renamed, // the photo and every companion have their new names
    HalfWay, // a companion's move failed and so did a move back: the photo
             // keeps its new name with the companions that could not go back
};

struct TMoveResult {
    TMoveOutcome outcome = TMoveOutcome::Renamed;
    // The names of the companions in the list given that had gone since they
    // were found, and so did not move (a record made from that list must not
    // claim them).
    std::vector<std::string> leftOut;
};

// Moves the photo at `photoPath` to `target`, a new name in the same folder
// that ends with the photo's name, and its companions with it: those in
// `found` when given (looked up ahead, off the main thread) that are still
// regular files there, else those FindCompanions finds now. When `identity`
// is given, the photo moves only while its name still holds that file.
// Returns when the photo has its new name (and how it went); `moved`, where
// given, then lists the moves that stand: the photo's first, then each
// companion's. Throws std::system_error, and nothing has moved, when the
// photo keeps its name: its own move failed (ENOENT: it went), another file
// took its name or a companion's since they were read (ESTALE), a
// companion's new name is unusable (ENAMETOOLONG) or taken (EEXIST), or a
// companion's move failed and everything moved back.
TMoveResult
MovePhotoWithCompanions(const std::string& photoPath, const std::string& target,
                        const TCompanionMoveSeams& seams = {},
                        const std::optional<std::vector<TCompanion>>& found = std::nullopt,
                        const std::optional<TFileIdentity>& identity = std::nullopt,
                        std::vector<TRenamedFile>* moved = nullptr);

} // namespace kelvara
