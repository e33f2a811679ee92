// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pace of the runs: which readers prepare the files, how much a step
// renames, and how the pacing thread waits between steps.
//
// The default pace is the default: one reader prepares the front file, a
// step renames one file, and the pacing thread sleeps 10 ms after it. A run
// goes fast only when the window's Fast choice is on as it begins and the
// history can be written (a fast run must be one that can be undone): then
// several readers prepare a window of files ahead, a step is a batch bounded
// in main-thread time (rename/RenameStep.h), and the pacing thread asks for
// the next batch as soon as files are ready. Where the history fails during
// a fast run, the rest of it goes at the default pace. Either way the run's
// summary then says that it went at the default pace, and why.
//
// At the end of a fast run a debug line gives its figures ("fast run
// ended: ..."): files, time, the main thread's longest batch and the 99th
// percentile of the delay of events posted to the main thread.

#include "app/InputDelayProbe.h"
#include "photo/MediaFile.h"

#include <QObject>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace kelvara {

class INamingOptions;
class TFindFileThread;
class THistoryWriter;
class TPhotoReaderThread;
class TReadAhead;
class TRenameStep;

class TRunPace {
public:
    // Main-thread time of one fast step: well under a frame, so input never
    // waits longer than one.
    static constexpr std::chrono::microseconds BatchBudget{4000};

    // Attaches the default pace's reader to `step`. `history` may be null
    // (then no run goes fast); all must outlive the pace.
    TRunPace(TFindFileThread& worker, TRenameStep& step, THistoryWriter* history,
             const INamingOptions& options);
    // Detaches and stops the readers; the pacing thread must have ended.
    ~TRunPace();
    TRunPace(const TRunPace&) = delete;
    TRunPace& operator=(const TRunPace&) = delete;

    // Main thread, as a run begins (nothing queued yet): picks its pace.
    // `note` hears why a run asked to go fast goes at the default pace.
    void RunStarting(const std::function<void()>& note);
    // Main thread: the run has ended; gives its figures (a debug line).
    void RunEnded(std::uint64_t files);

    // Main thread, at the pacing thread's request: one step at the run's pace.
    void Step();
    // The pacing thread, between two steps: until `due`, or for a fast run
    // until files are ready.
    void Pause(std::chrono::steady_clock::time_point due);

    // True while the run going on goes fast.
    bool Fast() const;

private:
    // Open, and nothing failed so far.
    bool HistoryWritable() const;
    // Could not be opened or written: no fast run.
    bool HistoryFailed() const;

    TFindFileThread& m_worker;
    TRenameStep& m_step;
    THistoryWriter* m_history;
    const INamingOptions& m_options;
    std::unique_ptr<TPhotoReaderThread> m_reader;
    // Shared with the pacing thread, which may be waiting on it while a new
    // run swaps it out.
    mutable std::mutex m_mutex;
    std::shared_ptr<TReadAhead> m_readAhead; // under m_mutex
    bool m_fast = false;                     // under m_mutex
    bool m_toldPaced = false;                // main thread
    std::function<void()> m_note;            // main thread
    TInputDelayProbe m_probe;
    std::chrono::steady_clock::time_point m_started;
};

} // namespace kelvara
