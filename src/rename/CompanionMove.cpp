// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename/CompanionMove.h"

#include "platform/Contained.h"
#include "platform/FolderProbe.h"
#include "platform/MoveFile.h"
#include "platform/PathName.h"
#include "platform/SystemError.h"
#include "rename/Log.h"
#include "rename/NewName.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <system_error>
#include <vector>

namespace kelvara {

namespace {

using TPlannedMove = TRenamedFile;

// The companions' moves, checked: every new name usable and free.
std::vector<TPlannedMove> PlanCompanionMoves(const std::string& photoPath,
                                             const std::string& prefix,
                                             const TCompanionMoveSeams& seams,
                                             const std::optional<std::vector<TCompanion>>& found) {
    const TFolderProbe folder(SplitPath(photoPath).folder);
    std::vector<TCompanion> companions;
    if (found) {
        // Found a step ahead: one that has gone since (a twin's move took the
        // sidecar they share, say) has nothing left to move.
        for (const TCompanion& companion : *found) {
            if (folder.Look(companion.name) == TEntryKind::RegularFile)
                companions.push_back(companion);
            else
                qCDebug(lcRename) << "companion gone since it was found:"
                                  << DecodedPath(companion.path);
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
        moves.push_back({std::move(companion.path), SiblingPath(photoPath, newName)});
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
            qCDebug(lcRename) << "moved back" << DecodedPath(move.to) << "to"
                              << DecodedPath(move.from);
            done.pop_back();
        } catch (...) {
            qCDebug(lcRename) << "cannot move back" << DecodedPath(move.to) << "to"
                              << DecodedPath(move.from) << ":"
                              << qUtf8Printable(ThrownText(std::current_exception()));
            return false;
        }
    }
    return true;
}

} // namespace

std::vector<TRenamedFile>
MovePhotoWithCompanions(const std::string& photoPath, const std::string& target,
                        const TCompanionMoveSeams& seams,
                        const std::optional<std::vector<TCompanion>>& found) {
    const TSplitPath photo = SplitPath(photoPath);
    const TSplitPath renamed = SplitPath(target);
    if (renamed.folder != photo.folder || renamed.name.size() <= photo.name.size() ||
        !renamed.name.ends_with(photo.name))
        ThrowSystemError(EINVAL, "no new prefix for " + photoPath + " in " + target);
    const std::string prefix = renamed.name.substr(0, renamed.name.size() - photo.name.size());

    const std::vector<TPlannedMove> companions =
        PlanCompanionMoves(photoPath, prefix, seams, found);
    if (seams.checked)
        seams.checked();

    const auto move = [&](const TPlannedMove& planned) {
        seams.move ? seams.move(planned.from, planned.to)
                   : MoveFileNoReplace(planned.from, planned.to);
    };
    const TPlannedMove photoMove{photoPath, target};
    move(photoMove); // a failure here has moved nothing: the step reports it

    std::vector<const TPlannedMove*> done{&photoMove};
    for (const TPlannedMove& companion : companions) {
        try {
            move(companion);
            done.push_back(&companion);
            qCDebug(lcRename) << "companion" << DecodedPath(companion.from) << "moved to"
                              << DecodedPath(companion.to);
        } catch (...) {
            qCDebug(lcRename) << "moving back: the companion" << DecodedPath(companion.from)
                              << "cannot move";
            if (MoveBack(done, seams))
                throw; // everything has its old name again: the photo is kept
            break;     // the photo keeps its new name, with what could not move back
        }
    }
    std::vector<TRenamedFile> moved;
    moved.reserve(done.size());
    for (const TPlannedMove* planned : done)
        moved.push_back(*planned);
    return moved;
}

} // namespace kelvara
