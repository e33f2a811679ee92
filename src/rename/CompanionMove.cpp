// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename/CompanionMove.h"

#include "base/Contained.h"
#include "base/PathName.h"
#include "base/SystemError.h"
#include "photo/ImageTest.h"
#include "platform/FileIdentity.h"
#include "platform/FolderProbe.h"
#include "platform/MoveFile.h"
#include "rename/Log.h"
#include "rename/NewName.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <optional>
#include <system_error>
#include <vector>

namespace kelvara {

namespace {

struct TPlannedMove {
    std::string from;
    std::string to;
    // The file that must still be under `from` when it moves.
    std::optional<TFileIdentity> identity;
};

// Throws ESTALE when the name `move.from` no longer holds the file it held
// when it was read or found (ENOENT when it holds nothing): another file under
// the photo's name was never read, and one under a companion's is no longer
// known to be no image, nor to belong to this photo.
void CheckStillThere(const TPlannedMove& move) {
    if (!move.identity)
        return;
    const std::optional<TFileIdentity> now = FileIdentityAt(move.from);
    if (!now)
        ThrowSystemError(ENOENT, move.from + ": gone since it was read");
    if (!now->SameFileAs(*move.identity))
        ThrowSystemError(ESTALE, move.from + ": another file took its name since it was read");
}

// The companions' moves, checked: every new name usable and free.
// `leftOut` gets the companions in `found` that have gone since.
std::vector<TPlannedMove> PlanCompanionMoves(const std::string& photoPath,
                                             const std::string& prefix,
                                             const TCompanionMoveSeams& seams,
                                             const std::optional<std::vector<TCompanion>>& found,
                                             std::vector<std::string>& leftOut) {
    const TFolderProbe folder(SplitPath(photoPath).folder);
    std::vector<TCompanion> companions;
    if (found) {
        // Found a step ahead: one that has gone since (a twin's move took the
        // sidecar they share, say) has nothing left to move.
        for (const TCompanion& companion : *found) {
            if (folder.Look(companion.name) != TEntryKind::RegularFile) {
                LogDebug(lcRename)
                    << "companion gone since it was found:" << DecodedPath(companion.path);
                leftOut.push_back(companion.name);
                continue;
            }
            // One found without its identity cannot be told from a file
            // swapped in later: it is looked at again instead.
            if (!companion.identity &&
                (seams.isImage ? seams.isImage(companion.path) : IsImageFile(companion.path)))
                ThrowSystemError(ESTALE, "companion " + companion.name + " is an image now");
            companions.push_back(companion);
        }
    } else {
        companions = FindCompanions(photoPath, seams.isImage);
    }
    std::vector<TPlannedMove> moves;
    for (TCompanion& companion : companions) {
        const std::string newName = prefix + companion.name;
        if (!IsSafeFileName(newName) || !FitsNameLimits(newName))
            ThrowSystemError(ENAMETOOLONG, "companion " + companion.name +
                                               ": its new name cannot stand in a folder or is "
                                               "too long");
        if (folder.Look(newName) != TEntryKind::None)
            ThrowSystemError(EEXIST, "companion " + companion.name + ": its new name is taken");
        moves.push_back(
            {std::move(companion.path), SiblingPath(photoPath, newName), companion.identity});
    }
    return moves;
}

// Undoes `done`, last first. True when all moved back; at the first move
// back that fails it stops, and what is still moved keeps its new name:
// `done` is cut to those.
bool MoveBack(std::vector<const TPlannedMove*>& done, const TCompanionMoveSeams& seams) {
    while (!done.empty()) {
        const TPlannedMove& move = *done.back();
        try {
            seams.move ? seams.move(move.to, move.from) : MoveFileNoReplace(move.to, move.from);
            LogDebug(lcRename) << "moved back" << DecodedPath(move.to) << "to"
                               << DecodedPath(move.from);
            done.pop_back();
        } catch (...) {
            LogDebug(lcRename) << "cannot move back" << DecodedPath(move.to) << "to"
                               << DecodedPath(move.from) << ":"
                               << ThrownText(std::current_exception()).c_str();
            return false;
        }
    }
    return true;
}

void TellMoved(const std::vector<const TPlannedMove*>& done, std::vector<TRenamedFile>* moved) {
    if (moved == nullptr)
        return;
    moved->clear();
    for (const TPlannedMove* planned : done)
        moved->push_back({planned->from, planned->to});
}

} // namespace

TMoveResult MovePhotoWithCompanions(const std::string& photoPath, const std::string& target,
                                    const TCompanionMoveSeams& seams,
                                    const std::optional<std::vector<TCompanion>>& found,
                                    const std::optional<TFileIdentity>& identity,
                                    std::vector<TRenamedFile>* moved) {
    const TSplitPath photo = SplitPath(photoPath);
    const TSplitPath renamed = SplitPath(target);
    if (renamed.folder != photo.folder || renamed.name.size() <= photo.name.size() ||
        !renamed.name.ends_with(photo.name))
        ThrowSystemError(EINVAL, "no new prefix for " + photoPath + " in " + target);
    const std::string prefix = renamed.name.substr(0, renamed.name.size() - photo.name.size());

    TMoveResult result;
    const std::vector<TPlannedMove> companions =
        PlanCompanionMoves(photoPath, prefix, seams, found, result.leftOut);
    if (seams.checked)
        seams.checked();
    // The last look before anything moves: the photo read is the photo
    // renamed, and each companion the one found.
    const TPlannedMove photoMove{photoPath, target, identity};
    CheckStillThere(photoMove);
    for (const TPlannedMove& companion : companions)
        CheckStillThere(companion);

    const auto move = [&](const TPlannedMove& planned) {
        seams.move ? seams.move(planned.from, planned.to)
                   : MoveFileNoReplace(planned.from, planned.to);
    };
    move(photoMove); // a failure here has moved nothing: the step reports it

    std::vector<const TPlannedMove*> done{&photoMove};
    for (const TPlannedMove& companion : companions) {
        try {
            move(companion);
            done.push_back(&companion);
            LogDebug(lcRename) << "companion" << DecodedPath(companion.from) << "moved to"
                               << DecodedPath(companion.to);
        } catch (...) {
            LogDebug(lcRename) << "moving back: the companion" << DecodedPath(companion.from)
                               << "cannot move";
            if (MoveBack(done, seams))
                throw; // everything has its old name again: the photo is kept
            // The photo keeps its new name, with what could not move back.
            TellMoved(done, moved);
            result.outcome = TMoveOutcome::HalfWay;
            return result;
        }
    }
    TellMoved(done, moved);
    return result;
}

} // namespace kelvara
