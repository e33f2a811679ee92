// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RunPanel.h"

#include "app/Log.h"
#include "app/RunTexts.h"
#include "base/Contained.h"
#include "desktop/LauncherProgress.h"
#include "rename/HistoryWriter.h"
#include "search/FindFileThread.h"

#include <QLabel>
#include <QMetaObject>
#include <QPointer>
#include <utility>

namespace kelvara {

TRunPanel::TRunPanel(QLabel* label, TFindFileThread& worker,
                     std::unique_ptr<ILauncherProgress> launcher, QObject* parent)
    : QObject(parent), m_label(label), m_worker(worker), m_launcher(std::move(launcher)) {
    m_timer.setInterval(RefreshMilliseconds);
    connect(&m_timer, &QTimer::timeout, this,
            [this] { Contained(lcApp, "run panel not refreshed", [this] { Refresh(); }); });
}

TRunPanel::~TRunPanel() {
    if (m_launcher && m_run.Going())
        m_launcher->Hide();
}

void TRunPanel::PathQueued(const std::string& path) {
    if (m_run.PathQueued(path)) {
        m_note.clear();
        LogDebug(lcApp) << "run started";
        // Before its first file is queued: the reader writes the run's
        // renames ahead under it.
        if (m_history != nullptr)
            m_history->BeginRun({path}, m_run.Started());
        m_timer.start();
        emit RunStarted();
    } else if (m_history != nullptr) {
        m_history->AddRunPath(path);
    }
}

void TRunPanel::ShowProgress() {
    if (m_run.Going())
        m_label->setText(RunProgressText(m_run, m_worker.FileCount()));
}

void TRunPanel::EndRecord(bool cancelled) {
    if (m_history == nullptr)
        return;
    m_history->EndRun(cancelled ? TRunEnding::Cancelled : TRunEnding::Finished,
                      THistoryClock::now(), static_cast<std::int64_t>(m_run.Renamed()),
                      static_cast<std::int64_t>(m_run.Kept()));
    // Once it is written, the summary can say whether it can be undone.
    QPointer<TRunPanel> self(this);
    const std::uint64_t number = m_run.Number();
    m_history->AfterWritten([self, number] {
        QMetaObject::invokeMethod(
            self,
            [self, number] {
                if (TRunPanel* panel = self.data())
                    panel->Recorded(number);
            },
            Qt::QueuedConnection);
    });
}

void TRunPanel::Recorded(std::uint64_t number) {
    if (m_run.Number() != number || m_history == nullptr)
        return;
    Contained(lcApp, "run's record not told", [&] {
        if (m_history->RunUnrecorded())
            if (const auto failure = m_history->Failure())
                AddSummaryNote(RunNotUndoableText(*failure));
        const std::string aside = m_history->MovedAside();
        if (!aside.empty())
            AddSummaryNote(HistoryMovedAsideText(aside));
    });
    // Tests wait for this line: the run's summary is final.
    LogDebug(lcApp) << "run recorded";
    emit RunRecorded();
}

void TRunPanel::FileDone(const TFileOutcome& outcome) noexcept {
    m_run.FileDone(outcome);
    if (m_next != nullptr)
        m_next->FileDone(outcome);
}

void TRunPanel::Cancelled() noexcept {
    if (m_next != nullptr)
        m_next->Cancelled();
    Contained(lcApp, "run not ended", [this] { EndRun(true); });
}

void TRunPanel::QueuesEmpty() noexcept {
    if (m_next != nullptr)
        m_next->QueuesEmpty();
    Contained(lcApp, "run not ended", [this] { EndRun(false); });
}

void TRunPanel::Refresh() {
    if (!m_run.Going()) {
        m_timer.stop();
        return;
    }
    // On the main thread, between steps: a file the step has taken is
    // counted already, so no work left means the run is over.
    if (!m_worker.HasWork()) {
        EndRun(false);
        return;
    }
    const std::size_t waiting = m_worker.FileCount();
    m_label->setText(RunProgressText(m_run, waiting));
    if (m_launcher) {
        const double done = static_cast<double>(m_run.Renamed() + m_run.Kept());
        m_launcher->Show(done / std::max(1.0, done + static_cast<double>(waiting)));
    }
}

void TRunPanel::EndRun(bool cancelled) {
    if (!(cancelled ? m_run.Cancel() : m_run.Finish()))
        return;
    m_timer.stop();
    if (m_launcher)
        m_launcher->Hide();
    LogDebug(lcApp).NoSpace() << "run ended: " << (cancelled ? "cancelled" : "finished")
                              << ", renamed " << m_run.Renamed() << ", kept " << m_run.Kept();
    ShowSummary();
    EndRecord(cancelled);
    emit RunEnded();
}

void TRunPanel::ShowSummary() {
    QString text = RunSummaryText(m_run);
    if (!m_note.isEmpty())
        text += QLatin1Char(' ') + m_note;
    m_label->setText(text);
}

void TRunPanel::ShowOther(const QString& text, bool going, double fraction) {
    m_label->setText(text);
    if (!m_launcher)
        return;
    if (going)
        m_launcher->Show(fraction);
    else
        m_launcher->Hide();
}

void TRunPanel::AddSummaryNote(const QString& note) {
    if (m_note.contains(note))
        return;
    m_note = m_note.isEmpty() ? note : m_note + QLatin1Char(' ') + note;
    if (!m_run.Going() && m_run.State() != TRunStage::None)
        ShowSummary();
}

} // namespace kelvara
