// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An undo under way: a thread of its own moves a run's files back
// (history/Undo.h), so that the window stays live however many there are.
// The window asks Progress() a few times a second and may Stop() it
// (Escape): what is back stays back, and the rest can be undone later.
// Ended is signalled on the main thread once the thread is done.
//
// Debug lines, for tests to wait for: "undo ended: moved back N, stayed M"
// (", stopped" when Escape stopped it), "undo: nothing to undo", "undo
// failed: <why>".

#include "history/Undo.h"
#include "rename/HistoryWriter.h"

#include <QObject>
#include <atomic>
#include <mutex>
#include <optional>
#include <thread>

namespace kelvara {

class TUndoTask : public QObject {
    Q_OBJECT

public:
    // Undoes `run`, or the last run with anything left to move back when
    // none is given, once the writer has written what it was handed.
    TUndoTask(THistoryWriter& history, std::optional<TRunId> run, QObject* parent = nullptr);
    // Stops the undo at its next photo and waits for its thread.
    ~TUndoTask() override;

    void Stop() { m_stop = true; }
    bool Going() const { return !m_done; }
    TUndoProgress Progress() const;

    // Once it has ended: what it did; nothing when there was nothing to
    // undo or it failed (then Failure() says why).
    std::optional<TUndoReport> Report() const;
    std::optional<THistoryWriter::TFailure> Failure() const;

signals:
    void Ended();

private:
    void Run(THistoryWriter& history, std::optional<TRunId> run);

    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{false};
    mutable std::mutex m_mutex;
    TUndoProgress m_progress;                          // under m_mutex
    std::optional<TUndoReport> m_report;               // under m_mutex
    std::optional<THistoryWriter::TFailure> m_failure; // under m_mutex
    std::thread m_thread;
};

} // namespace kelvara
