// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rename step: one found file per call, on the main thread.
//
//  1. Escape down (or pressed since the last step) cancels the search work.
//  2. At most one found file moves from the worker to the pending list and
//     out again.
//     With a reader thread, a file moves only once the reader has read it,
//     so the step itself reads nothing; without one, the step reads it.
//  3. A file that is no raster image is left alone; with the videos choice
//     on (read now, as the naming options are), a video of the ISO media and
//     QuickTime family is named as a photo is, by its own date, and a Live
//     Photo's video is left for its photo to take along.
//  4. Its shooting date, pixel size and camera model make the new name by the
//     naming options read now, so a change in the window applies from the next
//     file on.
//  5. The file is renamed in its own folder unless its name already holds the
//     date text, or it has no real shooting date, or the new name could not
//     stand in a folder. An existing file is never replaced, and the file
//     renamed is the one read: a file that took its name since keeps it.
//
// Every failure on the way leaves the file as it was, silently, whatever was
// thrown; the next step goes on with the next file. An observer, where one is
// set, learns of each file: renamed with its moves, or kept and why
// (rename/RenameOutcome.h). Nothing a step meets
// ends the program. The file is read into memory head first and only as far
// as needed (photo/PhotoFile.h), and never opened for writing.

#include "platform/EscapeKey.h"
#include "rename/NamingOptions.h"
#include "rename/PhotoPreparer.h"
#include "rename/PreparedPhoto.h"
#include "rename/RenameOutcome.h"
#include "search/FindFileThread.h"
#include "search/PathList.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace kelvara {

class THistoryWriter;

class TRenameStep {
public:
    // With a `reader` (the program's), files reach the step prepared; the
    // reader must outlive the step.
    TRenameStep(TFindFileThread& worker, TPathList& pendingFiles, const INamingOptions& options,
                IEscapeKey& escape, IPhotoPreparer* reader = nullptr);

    // Another reader from the next file on (the readers of a fast run, or
    // the one of the default pace); only while nothing is queued. It must
    // outlive the step, or be replaced before it goes.
    void SetReader(IPhotoPreparer* reader);

    // Who learns of each file from now on; none by default. It must outlive
    // the step, or be set to none before it goes.
    void SetObserver(IRenameObserver* observer) noexcept { m_observer = observer; }
    // Where each rename is recorded before it happens, and each kept file
    // after; none by default. With a reader, the reader writes the renames
    // ahead of the step. Set before the first file is queued; the writer
    // must outlive the step and its reader.
    void SetHistory(THistoryWriter* history);

    void RenameNextFile() noexcept;
    // A fast run's step: Escape is looked at once, then prepared files are
    // renamed one after another, each exactly as RenameNextFile does it,
    // until none is ready or `budget` has passed. How many files it took.
    std::size_t RenameBatch(std::chrono::microseconds budget) noexcept;

    // The main thread's longest batch and how many batches ran since the
    // last call; for the run's figures.
    struct TBatchFigures {
        std::chrono::microseconds longest{0};
        std::uint64_t batches = 0;
    };
    TBatchFigures TakeBatchFigures() noexcept;

    // Forgets an Escape press seen while there was nothing to cancel (the
    // key that closed the information window, say), so that it cannot
    // cancel the next drop. The pacing thread asks for this when work
    // arrives after a pause.
    void DropEscapeSeenWhileIdle() noexcept;

    // What RenameNextFile would name the photo at `path` with the options as
    // they stand now: the new full path, or empty when it would leave the
    // file alone. Reads the file; renames nothing.
    std::string TargetFor(const std::string& path) const;
    // The same for a file already read.
    std::string TargetFor(const std::string& path, const TPreparedPhoto& photo) const;

    // The decision behind TargetFor: the new full path, or why the file
    // keeps its name.
    struct TDecision {
        std::string target;
        std::optional<TKeptReason> kept;
        std::string detail;
    };
    TDecision Decide(const std::string& path, const TPreparedPhoto& photo) const;
    // The same with the given options, on any thread.
    static TDecision DecideWith(const std::string& path, const TPreparedPhoto& photo,
                                const std::string& datePattern, TNameLayout layout);

private:
    // RenameNextFile without its last-resort guard; true when it took a
    // file. A step of a batch but the first leaves Escape for the next batch.
    bool Step(bool lookAtEscape = true);
    // Escape: the queues are emptied, and an observer learns of each file
    // that was waiting.
    void CancelQueued();
    void Tell(const TFileOutcome& outcome) noexcept;
    // True when nothing (or nothing but a link or a folder) has the name
    // `path`; false too when it cannot be looked at.
    static bool GoneFrom(const std::string& path) noexcept;
    // The reader's hooks: a photo's rename written ahead, and the record of
    // one read for nothing closed.
    void WriteAhead(const std::string& path, TPreparedPhoto& photo) noexcept;
    // The same for many photos, in one transaction.
    void WriteAheadMany(const std::vector<IPhotoPreparer::TPathPhoto>& photos) noexcept;
    void InstallHooks();
    void Discarded(TPreparedPhoto& photo) noexcept;
    // The record of a rename about to happen: the one written ahead when it
    // is for `target`, else one written now.
    std::optional<std::int64_t> IntentForMove(const std::string& path, const std::string& target,
                                              TPreparedPhoto& photo);
    void RecordKept(const TFileOutcome& outcome, const TPreparedPhoto* photo) noexcept;

    TFindFileThread& m_worker;
    TPathList& FPendingFiles;
    const INamingOptions& m_options;
    IEscapeKey& m_escape;
    IPhotoPreparer* m_reader;
    IRenameObserver* m_observer = nullptr;
    THistoryWriter* m_history = nullptr;
    // The options as the last step read them, for the reader's renames
    // written ahead.
    std::mutex m_optionsMutex;
    std::string m_aheadPattern;                    // under m_optionsMutex
    TNameLayout m_aheadLayout = TNameLayout::None; // under m_optionsMutex
    // Files were taken since the queues were last seen empty: the next time
    // they are, the step says so once (a debug line).
    bool m_busy = false;
    TBatchFigures m_figures;
    // The old paths of the companions moved with their photos since the
    // queues were last seen empty: such a file's own turn finds it gone with
    // its photo, which is no file kept.
    std::unordered_set<std::string> m_movedCompanions;
};

} // namespace kelvara
