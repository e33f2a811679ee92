// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/Undo.h"

#include "history/GroupMove.h"
#include "history/HistoryRecords.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <system_error>

namespace kelvara {

namespace {

// Photos looked at, written ahead and moved per batch: one commit for the
// intents and one for the outcomes of each.
constexpr std::size_t BatchSize = 64;

// Why the file renamed cannot go back now, or nullopt when it can.
std::optional<TKeptReason> WhyNotBack(const std::string& folder, const TFileRename& file) {
    try {
        const std::optional<TFileIdentity> atNew = FileIdentityAt(InFolder(folder, file.newName));
        if (!atNew) {
            struct stat entry {};
            // Something else than a regular file took the name: changed.
            return ::lstat(InFolder(folder, file.newName).c_str(), &entry) == 0
                       ? TKeptReason::Changed
                       : TKeptReason::Gone;
        }
        if (!atNew->SameFileAs(file.identity))
            return TKeptReason::Changed;
        struct stat old {};
        if (::lstat(InFolder(folder, file.oldName).c_str(), &old) == 0)
            return TKeptReason::OldNameTaken;
        if (errno != ENOENT)
            return TKeptReason::MoveFailed;
    } catch (const std::system_error&) {
        return TKeptReason::MoveFailed;
    }
    return std::nullopt;
}

TKeptReason ReasonOf(int error) {
    switch (error) {
    case ENOENT:
        return TKeptReason::Gone;
    case ESTALE:
        return TKeptReason::Changed;
    case EEXIST:
        return TKeptReason::OldNameTaken;
    default:
        return TKeptReason::MoveFailed;
    }
}

struct TBatch {
    // What goes back, as far as the check before it went.
    std::vector<THistory::TUndoable> groups;
    std::vector<std::pair<TIntentId, TKeptFile>> stayed;
    std::size_t stayedGroups = 0;
};

// Sorts one photo's files into what can go back and what stays.
void Check(const THistory::TUndoable& group, TBatch& batch) {
    std::vector<std::optional<TKeptReason>> reasons;
    for (const TFileRename& file : group.files)
        reasons.push_back(WhyNotBack(group.folder, file));
    // The photo itself is the file at position 0, where it is still to go.
    bool holdBack = false;
    for (std::size_t i = 0; i < group.files.size(); ++i) {
        const bool photo = group.positions[i] == 0;
        if (reasons[i] && (photo || *reasons[i] != TKeptReason::Gone))
            holdBack = true;
    }
    THistory::TUndoable back{group.intent, group.folder, {}, {}};
    for (std::size_t i = 0; i < group.files.size(); ++i) {
        const std::optional<TKeptReason> reason = reasons[i] ? reasons[i]
                                                  : holdBack ? std::optional(TKeptReason::HeldBack)
                                                             : std::nullopt;
        if (reason) {
            batch.stayed.push_back({group.intent, {group.folder, group.files[i].newName, *reason}});
        } else {
            back.files.push_back(group.files[i]);
            back.positions.push_back(group.positions[i]);
        }
    }
    if (!back.files.empty())
        batch.groups.push_back(std::move(back));
    // A companion that is gone alone does not keep its photo from going back.
    if (holdBack)
        ++batch.stayedGroups;
}

} // namespace

TUndoReport UndoRun(THistory& history, TRunId run, const std::function<bool()>& stop,
                    const std::function<void(const TUndoProgress&)>& progress) {
    if (history.Run(run).kind != TRunKind::Rename)
        throw THistoryError(THistoryError::TKind::Other, history.File(),
                            "run " + std::to_string(run) + " is an undo, not a rename");
    const std::vector<THistory::TUndoable> groups = history.Undoable(run);
    TUndoReport report;
    if (groups.empty())
        return report; // nothing left to move back: no undo to record
    report.undoRun = history.BeginRun({}, THistoryClock::now(), TRunKind::Undo, run);
    TUndoProgress status;
    status.total = groups.size();

    for (std::size_t start = 0; start < groups.size() && !report.stopped; start += BatchSize) {
        const std::size_t end = std::min(groups.size(), start + BatchSize);
        TBatch batch;
        for (std::size_t i = start; i < end; ++i)
            Check(groups[i], batch);
        history.RecordStayed(report.undoRun, batch.stayed);
        report.stayed += batch.stayedGroups;

        const std::vector<TIntentId> intents =
            history.WriteUndoIntents(report.undoRun, batch.groups);
        std::vector<THistory::TOutcome> outcomes;
        for (std::size_t g = 0; g < batch.groups.size(); ++g) {
            const THistory::TUndoable& group = batch.groups[g];
            if (!report.stopped && stop && stop())
                report.stopped = true;
            if (report.stopped) {
                outcomes.push_back({intents[g], TIntentOutcome::Kept, TKeptReason::Cancelled, {}});
                continue;
            }
            std::vector<TGroupFileMove> moves;
            for (const TFileRename& file : group.files)
                moves.push_back({InFolder(group.folder, file.newName),
                                 InFolder(group.folder, file.oldName), file.identity});
            const TGroupMoveResult moved = MoveGroup(moves);
            if (moved.moved) {
                outcomes.push_back({intents[g], TIntentOutcome::Done, {}, {}});
                ++report.movedBack;
            } else if (moved.halfWay) {
                outcomes.push_back({intents[g], TIntentOutcome::Partly, {}, {}});
                ++report.stayed;
            } else {
                outcomes.push_back({intents[g], TIntentOutcome::Kept, ReasonOf(moved.error), {}});
                ++report.stayed;
            }
        }
        history.RecordOutcomes(outcomes);
        status.done = end;
        status.movedBack = report.movedBack;
        status.stayed = report.stayed;
        if (progress)
            progress(status);
    }
    history.EndRun(report.undoRun, report.stopped ? TRunEnding::Cancelled : TRunEnding::Finished,
                   THistoryClock::now(), static_cast<std::int64_t>(report.movedBack),
                   static_cast<std::int64_t>(report.stayed));
    return report;
}

} // namespace kelvara
