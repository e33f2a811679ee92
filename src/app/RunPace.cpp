// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RunPace.h"

#include "app/Log.h"
#include "platform/PreciseSleep.h"
#include "rename/HistoryWriter.h"
#include "rename/NamingOptions.h"
#include "rename/PhotoReader.h"
#include "rename/ReadAhead.h"
#include "rename/RenameStep.h"
#include "search/FindFileThread.h"

namespace kelvara {

TRunPace::TRunPace(TFindFileThread& worker, TRenameStep& step, THistoryWriter* history,
                   const INamingOptions& options)
    : m_worker(worker), m_step(step), m_history(history), m_options(options),
      m_reader(std::make_unique<TPhotoReaderThread>(worker)) {
    m_step.SetReader(m_reader.get());
}

TRunPace::~TRunPace() {
    m_probe.Stop();
    m_step.SetReader(nullptr);
    std::shared_ptr<TReadAhead> readAhead;
    {
        std::lock_guard guard(m_mutex);
        readAhead.swap(m_readAhead);
    }
    readAhead.reset();
    m_reader.reset();
}

bool TRunPace::HistoryWritable() const {
    return m_history != nullptr && m_history->History() != nullptr;
}

bool TRunPace::HistoryFailed() const {
    return m_history == nullptr || m_history->Failure().has_value();
}

void TRunPace::RunStarting(const std::function<void()>& note) {
    m_note = note;
    m_toldPaced = false;
    const bool asked = m_options.FastRuns();
    // A history still opening may yet be written: the run's steps go at the
    // default pace until it is open.
    const bool fast = asked && !HistoryFailed();
    std::shared_ptr<TReadAhead> old;
    if (fast) {
        m_step.SetReader(nullptr);
        m_reader.reset();
        std::shared_ptr<TReadAhead> readAhead;
        {
            std::lock_guard guard(m_mutex);
            readAhead = m_readAhead;
        }
        if (!readAhead)
            readAhead = std::make_shared<TReadAhead>(m_worker, TReadAhead::ReadersForThisMachine());
        m_step.SetReader(readAhead.get());
        std::lock_guard guard(m_mutex);
        m_readAhead = std::move(readAhead);
        m_fast = true;
    } else {
        if (!m_reader) {
            m_step.SetReader(nullptr);
            m_reader = std::make_unique<TPhotoReaderThread>(m_worker);
        }
        m_step.SetReader(m_reader.get());
        std::lock_guard guard(m_mutex);
        old.swap(m_readAhead);
        m_fast = false;
    }
    // The readers of a fast run stop here, on the main thread, unless the
    // pacing thread still waits on them: then they stop when it is done.
    old.reset();
    if (asked && !fast) {
        m_toldPaced = true;
        if (m_note)
            m_note();
    }
    m_step.TakeBatchFigures();
    m_started = std::chrono::steady_clock::now();
    if (fast)
        m_probe.Start();
    LogDebug(lcApp) << (fast ? "run pace: fast" : "run pace: default");
}

void TRunPace::RunEnded(std::uint64_t files) {
    if (!m_probe.Running())
        return;
    const TInputDelayProbe::TFigures delay = m_probe.Stop();
    if (m_toldPaced)
        return; // not a fast run after all: no figures of one
    const TRenameStep::TBatchFigures batches = m_step.TakeBatchFigures();
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - m_started);
    // Benchmarks read this line.
    LogDebug(lcApp).NoSpace() << "fast run ended: " << files << " files in " << took.count()
                              << " ms, " << batches.batches << " batches, longest batch "
                              << batches.longest.count() << " us, input delay p99 "
                              << delay.p99.count() << " us, longest " << delay.longest.count()
                              << " us, " << delay.samples << " samples";
}

bool TRunPace::Fast() const {
    std::lock_guard guard(m_mutex);
    return m_fast;
}

void TRunPace::Step() {
    if (Fast() && HistoryWritable()) {
        m_step.RenameBatch(BatchBudget);
        return;
    }
    if (Fast() && !m_toldPaced && HistoryFailed()) {
        // The history failed during the run: it cannot be undone, so the
        // rest goes at the default pace.
        m_toldPaced = true;
        if (m_note)
            m_note();
    }
    m_step.RenameNextFile();
}

void TRunPace::Pause(std::chrono::steady_clock::time_point due) {
    std::shared_ptr<TReadAhead> readAhead;
    {
        std::lock_guard guard(m_mutex);
        if (m_fast)
            readAhead = m_readAhead;
    }
    if (readAhead && HistoryWritable())
        readAhead->WaitReady(due);
    else
        SleepUntil(due);
}

} // namespace kelvara
