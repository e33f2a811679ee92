// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename/RenameStep.h"

#include "base/Contained.h"
#include "base/PathName.h"
#include "platform/FileIdentity.h"
#include "rename/CompanionMove.h"
#include "rename/HistoryWriter.h"
#include "rename/IntentFor.h"
#include "rename/Log.h"
#include "rename/NewName.h"
#include "rename/PreparedMedia.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <limits>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

namespace kelvara {

namespace {

// A file the reader read before the videos choice changed, brought in line
// with the choice as it is now. Rare: this step waits for the disk once.
void FollowChoice(const std::string& path, TPreparedPhoto& photo, const TMediaChoice& choice) {
    if (photo.videosChoice == choice.videos)
        return;
    if (!choice.videos) {
        if (photo.video) {
            // Any rename written ahead for it is closed as kept.
            photo.properties.reset();
            photo.video = false;
            photo.livePhotoOf.clear();
            photo.failure = "a video, and videos keep their names";
            photo.failureReason = TKeptReason::NotAPhoto;
        }
    } else if (!photo.properties && photo.failureReason == TKeptReason::NotAPhoto) {
        // It may be a video: no rename was written ahead for it.
        photo = PrepareMedia(path, choice);
        LookUpCompanions(path, photo);
    }
    photo.videosChoice = choice.videos;
}

} // namespace

TRenameStep::TRenameStep(TFindFileThread& worker, TPathList& pendingFiles,
                         const INamingOptions& options, IEscapeKey& escape, IPhotoPreparer* reader)
    : m_worker(worker), FPendingFiles(pendingFiles), m_options(options), m_escape(escape),
      m_reader(reader) {
    if (m_reader != nullptr)
        m_reader->SetChoice(TMediaChoice{m_options.VideosToo()});
}

void TRenameStep::RenameNextFile() noexcept {
    // A step never ends the program, whatever is thrown below it (a library's
    // error of a type nobody expected, say): it runs on the main thread at the
    // pacing thread's request, and from there an exception would reach that
    // thread's top. The next step goes on as usual.
    Contained(lcRename, "step failed", [this] { Step(); });
}

// The debug lines below are the points tests wait for, so their wording
// stays: "Escape pressed: search cancelled", "renamed <path> to <target>",
// "renamed half-way <path> to <target>" (a companion left behind), "kept
// <path>" (whatever the reason; the reason's key ends the line, as
// "[name-taken]") and, once the step has taken files and then finds none
// waiting and no search left, "queues empty".
std::size_t TRenameStep::RenameBatch(std::chrono::microseconds budget) noexcept {
    const auto start = std::chrono::steady_clock::now();
    std::size_t taken = 0;
    // Each file as RenameNextFile renames it, one guard each: a failure
    // costs its own file and nothing else of the batch.
    for (bool more = true; more;) {
        more = false;
        Contained(lcRename, "step failed", [&] { more = Step(taken == 0); });
        if (more)
            ++taken;
        if (std::chrono::steady_clock::now() - start >= budget)
            break;
    }
    const auto spent = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    m_figures.longest = std::max(m_figures.longest, spent);
    ++m_figures.batches;
    return taken;
}

TRenameStep::TBatchFigures TRenameStep::TakeBatchFigures() noexcept {
    return std::exchange(m_figures, TBatchFigures{});
}

bool TRenameStep::Step(bool lookAtEscape) {
    // Read now, as the naming options are: the reader reads the next file
    // with it, and a file it read before a change follows it below.
    const TMediaChoice choice{m_options.VideosToo()};
    if (m_reader != nullptr)
        m_reader->SetChoice(choice);
    if (m_history != nullptr) {
        std::string pattern = m_options.DatePattern();
        const TNameLayout layout = m_options.Layout();
        std::lock_guard guard(m_optionsMutex);
        m_aheadPattern = std::move(pattern);
        m_aheadLayout = layout;
    }
    if (lookAtEscape && m_escape.Pressed()) {
        CancelQueued();
        LogDebug(lcRename) << "Escape pressed: search cancelled";
        if (m_observer != nullptr)
            m_observer->Cancelled();
    }

    // The reader moves the front file once it has read it; until then the
    // step has nothing to do (the file waits in the worker's queue).
    std::optional<TPreparedPhoto> prepared;
    if (m_reader != nullptr)
        prepared = m_reader->TakePrepared(FPendingFiles);
    else
        m_worker.TakeFiles(FPendingFiles, 1);
    if (FPendingFiles.empty()) {
        // A search queues all it finds before it counts as over, and only
        // this thread adds folders: with neither left, nothing more comes.
        if (m_busy && !m_worker.HasSearchWork() && m_worker.FileCount() == 0) {
            m_busy = false;
            m_movedCompanions.clear();
            LogDebug(lcRename) << "queues empty";
            if (m_observer != nullptr)
                m_observer->QueuesEmpty();
        }
        return false;
    }
    m_busy = true;
    TFileOutcome outcome;
    outcome.path = std::move(FPendingFiles.front());
    FPendingFiles.pop_front();
    const std::string& path = outcome.path;
    if (m_movedCompanions.erase(path) > 0 && GoneFrom(path)) {
        LogDebug(lcRename) << "kept" << DecodedPath(path) << ": moved with its photo";
        return true;
    }
    // The record of a move under way, until it is known how it went.
    std::int64_t intentMoving = 0;
    bool moving = false;

    try {
        if (!prepared)
            prepared = PrepareMedia(path, choice);
        else
            FollowChoice(path, *prepared, choice);
        if (!prepared->livePhotoOf.empty()) {
            // Its photo takes it along in the photo's own turn, or it stays
            // with the photo under its old name; as a companion that moved,
            // it is no file of its own.
            LogDebug(lcRename) << "kept" << DecodedPath(path) << ": the Live Photo video of"
                               << DecodedPath(prepared->livePhotoOf);
            return true;
        }
        const TDecision decision = Decide(path, *prepared);
        if (decision.kept) {
            outcome.kept = decision.kept;
            outcome.detail = decision.detail;
            // Appended piece by piece: GCC 12 for Windows takes "[" + text
            // for an overlapping copy.
            std::string reason = "[";
            reason += KeptReasonKey(*decision.kept);
            reason += ']';
            LogDebug(lcRename) << "kept" << DecodedPath(path) << reason.c_str();
            RecordKept(outcome, &*prepared);
        } else {
            // On the disk before anything moves; nothing moves unrecorded
            // unless the history cannot be written at all.
            const std::optional<std::int64_t> intent =
                IntentForMove(path, decision.target, *prepared);
            moving = intent.has_value();
            intentMoving = intent.value_or(0);
            // Its sidecars, edit files and Live Photo video take the same prefix,
            // or the photo keeps its name with them. A file that took the name
            // of the one read keeps its name: it is read in its own turn if it is
            // queued again.
            const TMoveOutcome moved =
                MovePhotoWithCompanions(path, decision.target, {}, prepared->companions,
                                        prepared->identity, &outcome.moves)
                    .outcome;
            if (moved == TMoveOutcome::HalfWay)
                LogDebug(lcRename) << "renamed half-way" << DecodedPath(path) << "to"
                                   << DecodedPath(decision.target)
                                   << ": a companion could not move, nor everything back";
            else
                LogDebug(lcRename)
                    << "renamed" << DecodedPath(path) << "to" << DecodedPath(decision.target);
            if (prepared->video)
                LogDebug(lcRename) << "date of" << DecodedPath(path) << "from"
                                   << DateSourceName(prepared->properties->DateSource);
            moving = false;
            if (m_history != nullptr && intent) {
                // Every file of the record moved: done. A companion that went
                // since it was found, or a half-way move: the disk says.
                if (moved == TMoveOutcome::Renamed &&
                    outcome.moves.size() == prepared->plannedFiles)
                    m_history->Outcome(*intent, TIntentOutcome::Done);
                else
                    m_history->Settle(*intent);
            }
        }
    } catch (...) {
        // The target exists, the file went or is not ours to rename, or
        // anything else went wrong on its way: it keeps its name, and the next
        // step goes on.
        const std::exception_ptr thrown = std::current_exception();
        outcome.moves.clear();
        outcome.kept = TKeptReason::MoveFailed;
        try {
            std::rethrow_exception(thrown);
        } catch (const std::system_error& error) {
            outcome.kept = KeptReasonForMoveError(error.code().value());
        } catch (...) {
        }
        outcome.detail = ThrownText(thrown);
        if (m_history != nullptr && moving)
            m_history->Outcome(intentMoving, TIntentOutcome::Kept, *outcome.kept);
        else
            RecordKept(outcome, prepared ? &*prepared : nullptr);
        LogDebug(lcRename) << "kept" << DecodedPath(path) << ":" << ThrownText(thrown).c_str()
                           << ("[" + std::string(KeptReasonKey(*outcome.kept)) + "]").c_str();
    }
    for (std::size_t i = 1; i < outcome.moves.size(); ++i)
        m_movedCompanions.insert(outcome.moves[i].from);
    Tell(outcome);
    return true;
}

bool TRenameStep::GoneFrom(const std::string& path) noexcept {
    try {
        return !FileIdentityAt(path).has_value();
    } catch (...) {
        return false; // it cannot be looked at: its own turn says why
    }
}

void TRenameStep::CancelQueued() {
    // What was found and waits is taken out first, so the observer can hear
    // of each; whatever the search would still have found was never known.
    TPathList dropped;
    if (m_observer != nullptr || m_history != nullptr)
        m_worker.TakeFiles(dropped, std::numeric_limits<int>::max());
    m_worker.Cancel();
    m_movedCompanions.clear();
    if (m_reader != nullptr)
        m_reader->Drop();
    dropped.insert(dropped.end(), std::make_move_iterator(FPendingFiles.begin()),
                   std::make_move_iterator(FPendingFiles.end()));
    FPendingFiles.clear();
    for (std::string& path : dropped) {
        TFileOutcome outcome;
        outcome.path = std::move(path);
        outcome.kept = TKeptReason::Cancelled;
        RecordKept(outcome, nullptr);
        Tell(outcome);
    }
}

void TRenameStep::Tell(const TFileOutcome& outcome) noexcept {
    if (m_observer != nullptr)
        m_observer->FileDone(outcome);
}

void TRenameStep::DropEscapeSeenWhileIdle() noexcept {
    // Runs on the main thread at the pacing thread's request, as the step
    // does: nothing thrown may go back to that thread.
    Contained(lcRename, "idle Escape not dropped", [this] {
        // Tests wait for this line.
        if (m_escape.Pressed())
            LogDebug(lcRename) << "Escape seen while idle: dropped";
    });
}

void TRenameStep::SetHistory(THistoryWriter* history) {
    {
        std::lock_guard guard(m_optionsMutex);
        m_aheadPattern = m_options.DatePattern();
        m_aheadLayout = m_options.Layout();
    }
    m_history = history;
    InstallHooks();
}

void TRenameStep::SetReader(IPhotoPreparer* reader) {
    if (m_reader != nullptr)
        m_reader->SetHooks({}, {}, {});
    m_reader = reader;
    if (m_reader != nullptr)
        m_reader->SetChoice(TMediaChoice{m_options.VideosToo()});
    InstallHooks();
}

void TRenameStep::InstallHooks() {
    if (m_reader == nullptr)
        return;
    if (m_history == nullptr) {
        m_reader->SetHooks({}, {}, {});
        return;
    }
    m_reader->SetHooks(
        [this](const std::string& path, TPreparedPhoto& photo) { WriteAhead(path, photo); },
        [this](const std::string&, TPreparedPhoto& photo) { Discarded(photo); },
        [this](const std::vector<IPhotoPreparer::TPathPhoto>& photos) { WriteAheadMany(photos); });
}

void TRenameStep::WriteAhead(const std::string& path, TPreparedPhoto& photo) noexcept {
    Contained(lcRename, "rename not written ahead", [&] {
        if (!photo.properties)
            return;
        std::string pattern;
        TNameLayout layout = TNameLayout::None;
        {
            std::lock_guard guard(m_optionsMutex);
            pattern = m_aheadPattern;
            layout = m_aheadLayout;
        }
        const TDecision decision = DecideWith(path, photo, pattern, layout);
        if (decision.kept)
            return;
        const TIntent intent = IntentFor(path, decision.target, photo);
        photo.intent = m_history->WriteIntentAhead(intent);
        if (photo.intent) {
            photo.plannedTarget = decision.target;
            photo.plannedFiles = intent.files.size();
        }
    });
}

void TRenameStep::WriteAheadMany(const std::vector<IPhotoPreparer::TPathPhoto>& photos) noexcept {
    Contained(lcRename, "renames not written ahead", [&] {
        std::string pattern;
        TNameLayout layout = TNameLayout::None;
        {
            std::lock_guard guard(m_optionsMutex);
            pattern = m_aheadPattern;
            layout = m_aheadLayout;
        }
        // The photos to be renamed, and their records, in the queue's order.
        std::vector<TPreparedPhoto*> planned;
        std::vector<std::string> targets;
        std::vector<TIntent> intents;
        for (const IPhotoPreparer::TPathPhoto& item : photos) {
            TPreparedPhoto& photo = *item.photo;
            if (!photo.properties)
                continue;
            const TDecision decision = DecideWith(*item.path, photo, pattern, layout);
            if (decision.kept)
                continue;
            try {
                intents.push_back(IntentFor(*item.path, decision.target, photo));
            } catch (...) {
                // It cannot be looked at now: its own turn says why, and
                // the step writes its record if it gets that far.
                continue;
            }
            planned.push_back(&photo);
            targets.push_back(decision.target);
        }
        const std::vector<TIntentId> ids = m_history->WriteIntentsAhead(intents);
        if (ids.size() != intents.size())
            return;
        for (std::size_t i = 0; i < ids.size(); ++i) {
            planned[i]->intent = ids[i];
            planned[i]->plannedTarget = std::move(targets[i]);
            planned[i]->plannedFiles = intents[i].files.size();
        }
    });
}

void TRenameStep::Discarded(TPreparedPhoto& photo) noexcept {
    Contained(lcRename, "record not closed", [&] {
        if (photo.intent)
            m_history->Outcome(*photo.intent, TIntentOutcome::Kept, TKeptReason::Cancelled);
    });
}

std::optional<std::int64_t> TRenameStep::IntentForMove(const std::string& path,
                                                       const std::string& target,
                                                       TPreparedPhoto& photo) {
    if (m_history == nullptr)
        return std::nullopt;
    if (photo.intent && photo.plannedTarget == target)
        return photo.intent;
    // Rare (the options changed since the photo was read): this step waits
    // for the disk once. One written ahead for other options is not this
    // move: the new one takes its place in the same transaction, so that
    // the files are never both kept and renamed in the run's record.
    LogDebug(lcRename) << "rename not written ahead, written by the step:" << DecodedPath(path);
    const TIntent intent = IntentFor(path, target, photo);
    photo.plannedFiles = intent.files.size();
    const std::optional<TIntentId> superseded = photo.intent;
    photo.intent.reset();
    return m_history->WriteIntentAhead(intent, superseded);
}

void TRenameStep::RecordKept(const TFileOutcome& outcome, const TPreparedPhoto* photo) noexcept {
    if (m_history == nullptr || !outcome.kept)
        return;
    Contained(lcRename, "kept file not recorded", [&] {
        if (photo != nullptr && photo->intent) {
            // Its record lists it as kept once it is closed so.
            m_history->Outcome(*photo->intent, TIntentOutcome::Kept, *outcome.kept);
            return;
        }
        const TSplitPath split = SplitPath(outcome.path);
        m_history->Kept({split.folder, split.name, *outcome.kept});
    });
}

std::string TRenameStep::TargetFor(const std::string& path) const {
    return TargetFor(path, PrepareMedia(path, TMediaChoice{m_options.VideosToo()}));
}

std::string TRenameStep::TargetFor(const std::string& path, const TPreparedPhoto& photo) const {
    return Decide(path, photo).target;
}

TRenameStep::TDecision TRenameStep::Decide(const std::string& path,
                                           const TPreparedPhoto& photo) const {
    if (!photo.properties)
        return DecideWith(path, photo, {}, TNameLayout::None);
    return DecideWith(path, photo, m_options.DatePattern(), m_options.Layout());
}

TRenameStep::TDecision TRenameStep::DecideWith(const std::string& path, const TPreparedPhoto& photo,
                                               const std::string& datePattern, TNameLayout layout) {
    const auto keep = [&](TKeptReason reason, std::string detail) {
        LogDebug(lcRename) << "no new name for" << DecodedPath(path) << ":" << detail.c_str();
        return TDecision{{}, reason, std::move(detail)};
    };
    if (!photo.properties)
        return keep(photo.failureReason, photo.failure);
    const TPhotoProperties& properties = *photo.properties;

    // Without a real shooting date there is nothing to put in front: the file
    // keeps its name rather than gain a bare "_" at every run.
    const std::string date = DateText(properties.DateTaken, datePattern.size());
    if (date.empty())
        return keep(TKeptReason::NoDate, photo.failure.empty()
                                             ? std::string("no shooting date")
                                             : "no shooting date: " + photo.failure);
    if (layout == TNameLayout::None)
        return TDecision{{}, TKeptReason::NoLayout, "no layout chosen"};

    const TSplitPath split = SplitPath(path);
    // Already dated (by us at this precision, or by the camera): leave it.
    if (split.name.find(date) != std::string::npos)
        return keep(TKeptReason::AlreadyDated, "already dated");
    const std::string size = NamePartText(properties.Dimensions);
    const std::string model = NamePartText(properties.CameraModel);
    if (!IsValidUtf8(size) || !IsValidUtf8(model))
        return keep(TKeptReason::NameNotPortable, "its size or model text is no UTF-8");
    const std::string newName = ComposeNewName(layout, date, size, model, split.name);
    // The old name is kept whole, so it alone can still make the name unsafe
    // (a control character) or too long for the file system: then the file
    // keeps its name rather than have part of it cut.
    if (!IsSafeFileName(newName) || !FitsNameLimits(newName))
        return keep(TKeptReason::NameNotPortable,
                    "the new name cannot stand in a folder or is too long");
    if (split.folder.empty())
        return TDecision{newName, std::nullopt, {}}; // a bare name: the same (current) folder
    return TDecision{PathInFolder(split.folder, newName), std::nullopt, {}};
}

} // namespace kelvara
