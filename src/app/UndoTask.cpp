// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UndoTask.h"

#include "app/Log.h"

#include <QMetaObject>
#include <QPointer>

namespace kelvara {

TUndoTask::TUndoTask(THistoryWriter& history, std::optional<TRunId> run, QObject* parent)
    : QObject(parent) {
    m_thread = std::thread([this, &history, run] { Run(history, run); });
}

TUndoTask::~TUndoTask() {
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

TUndoProgress TUndoTask::Progress() const {
    std::lock_guard guard(m_mutex);
    return m_progress;
}

std::optional<TUndoReport> TUndoTask::Report() const {
    std::lock_guard guard(m_mutex);
    return m_report;
}

std::optional<THistoryWriter::TFailure> TUndoTask::Failure() const {
    std::lock_guard guard(m_mutex);
    return m_failure;
}

void TUndoTask::Run(THistoryWriter& history, std::optional<TRunId> run) {
    try {
        // The last run's records first: it may be the one to undo.
        history.Flush();
        THistory* opened = history.History();
        if (opened == nullptr) {
            std::lock_guard guard(m_mutex);
            m_failure = history.Failure();
            if (!m_failure)
                m_failure = THistoryWriter::TFailure{};
        } else {
            if (!run)
                run = opened->LastUndoable();
            if (run) {
                const TUndoReport report = UndoRun(
                    *opened, *run, [this] { return m_stop.load(); },
                    [this](const TUndoProgress& progress) {
                        std::lock_guard guard(m_mutex);
                        m_progress = progress;
                    });
                std::lock_guard guard(m_mutex);
                m_report = report;
            }
        }
    } catch (const THistoryError& error) {
        std::lock_guard guard(m_mutex);
        m_failure = THistoryWriter::TFailure{error.Kind(), error.File(), error.Reason()};
    } catch (const std::exception& error) {
        std::lock_guard guard(m_mutex);
        m_failure = THistoryWriter::TFailure{THistoryError::TKind::Other, {}, error.what()};
    } catch (...) {
        std::lock_guard guard(m_mutex);
        m_failure = THistoryWriter::TFailure{THistoryError::TKind::Other, {}, "an unknown failure"};
    }
    {
        std::lock_guard guard(m_mutex);
        if (m_failure)
            LogDebug(lcApp) << "undo failed:" << m_failure->reason.c_str();
        else if (!m_report)
            LogDebug(lcApp) << "undo: nothing to undo";
        else
            LogDebug(lcApp).NoSpace()
                << "undo ended: moved back " << m_report->movedBack << ", stayed "
                << m_report->stayed << (m_report->stopped ? ", stopped" : "");
    }
    m_done = true;
    QMetaObject::invokeMethod(
        this, [this] { emit Ended(); }, Qt::QueuedConnection);
}

} // namespace kelvara
