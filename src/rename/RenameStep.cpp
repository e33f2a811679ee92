// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename/RenameStep.h"

#include "platform/Contained.h"
#include "platform/PathName.h"
#include "rename/CompanionMove.h"
#include "rename/Log.h"
#include "rename/NewName.h"
#include "rename/PhotoReader.h"

#include <exception>
#include <iterator>
#include <limits>
#include <optional>
#include <system_error>

namespace kelvara {

TRenameStep::TRenameStep(TFindFileThread& worker, TPathList& pendingFiles,
                         const INamingOptions& options, IEscapeKey& escape,
                         TPhotoReaderThread* reader)
    : m_worker(worker), FPendingFiles(pendingFiles), m_options(options), m_escape(escape),
      m_reader(reader) {}

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
void TRenameStep::Step() {
    if (m_escape.Pressed()) {
        CancelQueued();
        qCDebug(lcRename) << "Escape pressed: search cancelled";
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
            qCDebug(lcRename) << "queues empty";
            if (m_observer != nullptr)
                m_observer->QueuesEmpty();
        }
        return;
    }
    m_busy = true;
    TFileOutcome outcome;
    outcome.path = std::move(FPendingFiles.front());
    FPendingFiles.pop_front();
    const std::string& path = outcome.path;

    try {
        if (!prepared)
            prepared = PreparePhoto(path);
        const TDecision decision = Decide(path, *prepared);
        if (decision.kept) {
            outcome.kept = decision.kept;
            outcome.detail = decision.detail;
            qCDebug(lcRename) << "kept" << DecodedPath(path)
                              << ("[" + std::string(KeptReasonKey(*decision.kept)) + "]").c_str();
        } else {
            // Its sidecars, edit files and Live Photo video take the same prefix,
            // or the photo keeps its name with them. A file that took the name
            // of the one read keeps its name: it is read in its own turn if it is
            // queued again.
            const TMoveOutcome moved =
                MovePhotoWithCompanions(path, decision.target, {}, prepared->companions,
                                        prepared->identity, &outcome.moves);
            if (moved == TMoveOutcome::HalfWay)
                qCDebug(lcRename) << "renamed half-way" << DecodedPath(path) << "to"
                                  << DecodedPath(decision.target)
                                  << ": a companion could not move, nor everything back";
            else
                qCDebug(lcRename) << "renamed" << DecodedPath(path) << "to"
                                  << DecodedPath(decision.target);
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
        outcome.detail = ThrownText(thrown).toStdString();
        qCDebug(lcRename) << "kept" << DecodedPath(path) << ":"
                          << qUtf8Printable(ThrownText(thrown))
                          << ("[" + std::string(KeptReasonKey(*outcome.kept)) + "]").c_str();
    }
    Tell(outcome);
}

void TRenameStep::CancelQueued() {
    // What was found and waits is taken out first, so the observer can hear
    // of each; whatever the search would still have found was never known.
    TPathList dropped;
    if (m_observer != nullptr)
        m_worker.TakeFiles(dropped, std::numeric_limits<int>::max());
    m_worker.Cancel();
    if (m_reader != nullptr)
        m_reader->Drop();
    dropped.insert(dropped.end(), std::make_move_iterator(FPendingFiles.begin()),
                   std::make_move_iterator(FPendingFiles.end()));
    FPendingFiles.clear();
    for (std::string& path : dropped) {
        TFileOutcome outcome;
        outcome.path = std::move(path);
        outcome.kept = TKeptReason::Cancelled;
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
            qCDebug(lcRename) << "Escape seen while idle: dropped";
    });
}

std::string TRenameStep::TargetFor(const std::string& path) const {
    return TargetFor(path, PreparePhoto(path));
}

std::string TRenameStep::TargetFor(const std::string& path, const TPreparedPhoto& photo) const {
    return Decide(path, photo).target;
}

TRenameStep::TDecision TRenameStep::Decide(const std::string& path,
                                           const TPreparedPhoto& photo) const {
    const auto keep = [&](TKeptReason reason, std::string detail) {
        qCDebug(lcRename) << "no new name for" << DecodedPath(path) << ":" << detail.c_str();
        return TDecision{{}, reason, std::move(detail)};
    };
    if (!photo.properties)
        return keep(photo.failureReason, photo.failure);
    const TPhotoProperties& properties = *photo.properties;

    // Without a real shooting date there is nothing to put in front: the file
    // keeps its name rather than gain a bare "_" at every run.
    const std::string date = DateText(properties.DateTaken, m_options.DatePattern().size());
    if (date.empty())
        return keep(TKeptReason::NoDate, "no shooting date");
    const TNameLayout layout = m_options.Layout();
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
    std::string target = split.folder;
    if (target.back() != '/')
        target.push_back('/');
    return TDecision{target + newName, std::nullopt, {}};
}

} // namespace kelvara
