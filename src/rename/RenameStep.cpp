// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename/RenameStep.h"

#include "base/Contained.h"
#include "base/PathName.h"
#include "rename/CompanionMove.h"
#include "rename/Log.h"
#include "rename/NewName.h"
#include "rename/PhotoReader.h"

#include <optional>

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
// <path>" (whatever the reason) and, once the step has taken files and
// then finds none waiting and no search left, "queues empty".
void TRenameStep::Step() {
    if (m_escape.Pressed()) {
        m_worker.Cancel();
        if (m_reader != nullptr)
            m_reader->Drop();
        qCDebug(lcRename) << "Escape pressed: search cancelled";
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
        }
        return;
    }
    m_busy = true;
    const std::string path = std::move(FPendingFiles.front());
    FPendingFiles.pop_front();

    try {
        if (!prepared)
            prepared = PreparePhoto(path);
        const std::string target = TargetFor(path, *prepared);
        if (target.empty()) {
            qCDebug(lcRename) << "kept" << DecodedPath(path);
            return;
        }
        // Its sidecars, edit files and Live Photo video take the same prefix,
        // or the photo keeps its name with them. A file that took the name
        // of the one read keeps its name: it is read in its own turn if it is
        // queued again.
        const TMoveResult moved =
            MovePhotoWithCompanions(path, target, {}, prepared->companions, prepared->identity);
        if (moved.outcome == TMoveOutcome::HalfWay)
            qCDebug(lcRename) << "renamed half-way" << DecodedPath(path) << "to"
                              << DecodedPath(target)
                              << ": a companion could not move, nor everything back";
        else
            qCDebug(lcRename) << "renamed" << DecodedPath(path) << "to" << DecodedPath(target);
    } catch (...) {
        // The target exists, the file went or is not ours to rename, or
        // anything else went wrong on its way: it keeps its name, and the next
        // step goes on.
        qCDebug(lcRename) << "kept" << DecodedPath(path) << ":"
                          << qUtf8Printable(ThrownText(std::current_exception()));
    }
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
    if (!photo.properties) {
        qCDebug(lcRename) << "no new name for" << DecodedPath(path) << ":" << photo.failure.c_str();
        return {};
    }
    const TPhotoProperties& properties = *photo.properties;

    // Without a real shooting date there is nothing to put in front: the file
    // keeps its name rather than gain a bare "_" at every run.
    const std::string date = DateText(properties.DateTaken, m_options.DatePattern().size());
    if (date.empty()) {
        qCDebug(lcRename) << "no new name for" << DecodedPath(path) << ": no shooting date";
        return {};
    }
    const TNameLayout layout = m_options.Layout();
    if (layout == TNameLayout::None)
        return {};

    const TSplitPath split = SplitPath(path);
    // Already dated (by us at this precision, or by the camera): leave it.
    if (split.name.find(date) != std::string::npos) {
        qCDebug(lcRename) << "no new name for" << DecodedPath(path) << ": already dated";
        return {};
    }
    const std::string size = NamePartText(properties.Dimensions);
    const std::string model = NamePartText(properties.CameraModel);
    if (!IsValidUtf8(size) || !IsValidUtf8(model)) {
        qCDebug(lcRename) << "no new name for" << DecodedPath(path)
                          << ": its size or model text is no UTF-8";
        return {};
    }
    const std::string newName = ComposeNewName(layout, date, size, model, split.name);
    // The old name is kept whole, so it alone can still make the name unsafe
    // (a control character) or too long for the file system: then the file
    // keeps its name rather than have part of it cut.
    if (!IsSafeFileName(newName) || !FitsNameLimits(newName)) {
        qCDebug(lcRename) << "no new name for" << DecodedPath(path)
                          << ": the new name cannot stand in a folder or is too long";
        return {};
    }
    if (split.folder.empty())
        return newName; // a bare name: the same (current) folder
    return PathInFolder(split.folder, newName);
}

} // namespace kelvara
