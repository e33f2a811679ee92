// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The run panel (Panel4 of the main window) and the run it shows. It hears
// of every path the intake queues (a run starts with the first while none
// goes on) and, as the rename step's observer, of every file done, Escape
// and the queues running empty. While a run goes on, its label reads
// "renamed N, kept M, K waiting", refreshed a few times a second by a timer
// (never per step, so the step's cost stays what it was), and the dock's
// entry shows the share done; when it ends, the label holds the summary.
//
// A run also ends when the timer finds no work left at all, which covers a
// run whose paths named nothing: no step then ever takes a file.
//
// Debug lines, for tests to wait for: "run started", "run ended: finished"
// or "run ended: cancelled", each followed by the counts.

#include "rename/RenameOutcome.h"
#include "rename/Run.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>

class QLabel;

namespace kelvara {

class ILauncherProgress;
class TFindFileThread;
class THistoryWriter;

class TRunPanel : public QObject, public IRenameObserver {
    Q_OBJECT

public:
    static constexpr int RefreshMilliseconds = 250;

    // `label` shows the progress and the summary; `launcher` may be null.
    TRunPanel(QLabel* label, TFindFileThread& worker, std::unique_ptr<ILauncherProgress> launcher,
              QObject* parent = nullptr);
    ~TRunPanel() override;

    // The intake queued `path`.
    void PathQueued(const std::string& path);

    void FileDone(const TFileOutcome& outcome) noexcept override;
    void Cancelled() noexcept override;
    void QueuesEmpty() noexcept override;

    // Another observer that learns everything this one does, after it;
    // none by default.
    void SetNext(IRenameObserver* next) { m_next = next; }
    // Where runs are recorded; none by default. Must outlive the panel.
    void SetHistory(THistoryWriter* history) { m_history = history; }
    // Shows the progress of the run going on now.
    void ShowProgress();

    const TRun& Run() const { return m_run; }

    // Shows `text` in the label instead of a run's (an undo's progress and
    // summary); the next run takes the label back. The launcher shows
    // `fraction` while `going`.
    void ShowOther(const QString& text, bool going, double fraction);
    // A sentence added after the summary of the run that ends next, or of
    // the one just ended (the history could not record it, say).
    void AddSummaryNote(const QString& note);

signals:
    void RunStarted();
    void RunEnded();
    // The run that ended last is written to the history, or could not be.
    void RunRecorded();

private:
    void Refresh();
    void EndRun(bool cancelled);
    void ShowSummary();
    void EndRecord(bool cancelled);
    // On the main thread, once the writer has written run `number`'s end.
    void Recorded(std::uint64_t number);

    QLabel* m_label;
    TFindFileThread& m_worker;
    std::unique_ptr<ILauncherProgress> m_launcher;
    IRenameObserver* m_next = nullptr;
    THistoryWriter* m_history = nullptr;

    TRun m_run;
    QTimer m_timer;
    QString m_note;
};

} // namespace kelvara
