// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename/HistoryWriter.h"

#include "base/PathName.h"
#include "rename/Log.h"

#include <chrono>
#include <exception>
#include <utility>

namespace kelvara {

namespace {

constexpr std::chrono::milliseconds BatchGathering{100};

} // namespace

THistoryWriter::THistoryWriter(std::string file, std::string noFileReason)
    : m_file(std::move(file)) {
    if (m_file.empty()) {
        m_failure = TFailure{THistoryError::TKind::Other, {}, std::move(noFileReason)};
        m_opened = true;
        m_runUnrecorded = true;
        return; // nothing to open, nothing to write: no thread
    }
    m_thread = std::thread([this] { Run(); });
}

THistoryWriter::~THistoryWriter() {
    {
        std::lock_guard guard(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void THistoryWriter::Queue(TJob job) {
    {
        std::lock_guard guard(m_mutex);
        if (job.kind == TJob::TKind::Begin) {
            ++m_beginsQueued;
            // Until the thread has recorded it, nothing of it is known to
            // be unrecorded; a history that never opened records nothing.
            m_runUnrecorded = m_failure.has_value();
        }
        if (!m_thread.joinable()) {
            if (job.kind == TJob::TKind::Begin)
                ++m_beginsDone;
            if (job.kind != TJob::TKind::Then)
                return;
        } else {
            // Outcomes and kept files wait for the next batch; a run's
            // beginning and end, a settle and a callback go at once.
            const bool urgent = job.kind != TJob::TKind::Outcome && job.kind != TJob::TKind::Kept &&
                                job.kind != TJob::TKind::AddPath;
            const bool first = m_jobs.empty();
            m_jobs.push_back(std::move(job));
            ++m_queued;
            if (urgent)
                ++m_urgent;
            if (urgent || first)
                m_changed.notify_all();
            return;
        }
    }
    // No thread: a callback is due at once.
    job.then();
}

void THistoryWriter::AddRunPath(const std::string& path) {
    {
        // While the run's beginning is still queued, it takes the path along.
        std::lock_guard guard(m_mutex);
        for (auto job = m_jobs.rbegin(); job != m_jobs.rend(); ++job)
            if (job->kind == TJob::TKind::Begin) {
                job->paths.push_back(path);
                return;
            }
    }
    TJob job;
    job.kind = TJob::TKind::AddPath;
    job.paths.push_back(path);
    Queue(std::move(job));
}

void THistoryWriter::BeginRun(std::vector<std::string> paths, THistoryClock::time_point started) {
    TJob job;
    job.kind = TJob::TKind::Begin;
    job.paths = std::move(paths);
    job.time = started;
    Queue(std::move(job));
}

void THistoryWriter::EndRun(TRunEnding ending, THistoryClock::time_point ended,
                            std::int64_t renamed, std::int64_t kept) {
    TJob job;
    job.kind = TJob::TKind::End;
    job.ending = ending;
    job.time = ended;
    job.renamed = renamed;
    job.kept = kept;
    Queue(std::move(job));
}

void THistoryWriter::Outcome(TIntentId intent, TIntentOutcome outcome, TKeptReason reason) {
    TJob job;
    job.kind = TJob::TKind::Outcome;
    job.outcome.intent = intent;
    job.outcome.outcome = outcome;
    job.outcome.reason = reason;
    Queue(std::move(job));
}

void THistoryWriter::Settle(TIntentId intent) {
    TJob job;
    job.kind = TJob::TKind::Settle;
    job.outcome.intent = intent;
    Queue(std::move(job));
}

void THistoryWriter::Kept(TKeptFile file) {
    TJob job;
    job.kind = TJob::TKind::Kept;
    job.file = std::move(file);
    Queue(std::move(job));
}

void THistoryWriter::AfterWritten(std::function<void()> then) {
    TJob job;
    job.kind = TJob::TKind::Then;
    job.then = std::move(then);
    Queue(std::move(job));
}

std::optional<TRunId> THistoryWriter::RunOnDisk() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stop || (m_opened && m_beginsDone == m_beginsQueued); });
    if (m_stop || m_failure || !m_run || !m_history)
        return std::nullopt;
    return *m_run;
}

std::optional<TIntentId> THistoryWriter::WriteIntentAhead(const TIntent& intent,
                                                          std::optional<TIntentId> superseded) {
    const std::optional<TRunId> run = RunOnDisk();
    if (!run)
        return std::nullopt;
    try {
        if (superseded)
            return m_history->ReplaceIntent(*run, *superseded, intent);
        return m_history->WriteIntent(*run, intent);
    } catch (...) {
        Fail(std::current_exception());
        return std::nullopt;
    }
}

std::vector<TIntentId> THistoryWriter::WriteIntentsAhead(const std::vector<TIntent>& intents) {
    if (intents.empty())
        return {};
    const std::optional<TRunId> run = RunOnDisk();
    if (!run)
        return {};
    try {
        return m_history->WriteIntents(*run, intents);
    } catch (...) {
        Fail(std::current_exception());
        return {};
    }
}

void THistoryWriter::Flush() {
    std::unique_lock lock(m_mutex);
    const std::uint64_t target = m_queued;
    ++m_urgent;
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return m_written >= target || !m_thread.joinable(); });
}

bool THistoryWriter::WaitOpen() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_opened || m_stop; });
    return m_history && !m_failure;
}

THistory* THistoryWriter::History() {
    std::lock_guard guard(m_mutex);
    return m_opened && !m_failure ? m_history.get() : nullptr;
}

std::optional<THistoryWriter::TFailure> THistoryWriter::Failure() const {
    std::lock_guard guard(m_mutex);
    return m_failure;
}

std::string THistoryWriter::MovedAside() const {
    std::lock_guard guard(m_mutex);
    return m_movedAside;
}

std::optional<TRunId> THistoryWriter::LastRun() const {
    std::lock_guard guard(m_mutex);
    return m_run;
}

bool THistoryWriter::RunUnrecorded() const {
    std::lock_guard guard(m_mutex);
    return m_runUnrecorded;
}

void THistoryWriter::Fail(const std::exception_ptr& thrown) {
    TFailure failure;
    failure.file = m_file;
    try {
        std::rethrow_exception(thrown);
    } catch (const THistoryError& error) {
        failure.kind = error.Kind();
        failure.reason = error.Reason();
    } catch (const std::exception& error) {
        failure.reason = error.what();
    } catch (...) {
        failure.reason = "an unknown failure";
    }
    LogDebug(lcRename) << "history not written:" << failure.reason.c_str();
    std::lock_guard guard(m_mutex);
    m_runUnrecorded = true;
    if (!m_failure)
        m_failure = std::move(failure);
}

void THistoryWriter::Run() {
    std::unique_ptr<THistory> history;
    std::exception_ptr failed;
    try {
        history = std::make_unique<THistory>(m_file);
    } catch (...) {
        failed = std::current_exception();
    }
    if (failed)
        Fail(failed);
    {
        std::lock_guard guard(m_mutex);
        m_history = std::move(history);
        if (m_history)
            m_movedAside = m_history->MovedAside();
        m_opened = true;
    }
    m_changed.notify_all();
    // Tests wait for this line: the history is open and settled (or failed).
    LogDebug(lcRename) << "history opened" << DecodedPath(m_file) << (failed ? ": failed" : "");

    for (;;) {
        std::vector<TJob> jobs;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
            // A batch gathers for a moment, so that a run of quick steps
            // costs one commit now and then, and the writer wakes no more.
            m_changed.wait_for(lock, BatchGathering, [this] { return m_stop || m_urgent > 0; });
            m_urgent = 0;
            if (m_jobs.empty())
                return; // stopped with nothing left to write
            // Moved one by one: GCC 12 for Windows takes the range assign
            // from a deque for a null dereference.
            jobs.reserve(m_jobs.size());
            for (TJob& job : m_jobs)
                jobs.push_back(std::move(job));
            m_jobs.clear();
        }
        Write(jobs);
        {
            std::lock_guard guard(m_mutex);
            m_written += jobs.size();
        }
        m_changed.notify_all();
    }
}

void THistoryWriter::Write(std::vector<TJob>& jobs) {
    std::vector<THistory::TOutcome> outcomes;
    std::vector<TKeptFile> kept;
    const auto usable = [this] {
        std::lock_guard guard(m_mutex);
        return m_history && !m_failure ? m_history.get() : nullptr;
    };
    const auto currentRun = [this] {
        std::lock_guard guard(m_mutex);
        return m_run;
    };
    // Outcomes and kept files go in one transaction each, as many as came.
    // Kept files first: a companion kept before its photo took it along is
    // no longer kept once the photo's outcome is recorded.
    const auto flush = [&] {
        THistory* history = usable();
        const std::optional<TRunId> run = currentRun();
        try {
            if (history != nullptr && run && !kept.empty())
                history->RecordKept(*run, kept);
            if (history != nullptr && !outcomes.empty())
                history->RecordOutcomes(outcomes);
        } catch (...) {
            Fail(std::current_exception());
        }
        outcomes.clear();
        kept.clear();
    };
    for (TJob& job : jobs) {
        switch (job.kind) {
        case TJob::TKind::Outcome:
            outcomes.push_back(job.outcome);
            continue;
        case TJob::TKind::Kept:
            kept.push_back(std::move(job.file));
            continue;
        default:
            break;
        }
        flush();
        THistory* history = usable();
        try {
            switch (job.kind) {
            case TJob::TKind::Begin: {
                {
                    // Nothing more goes to the run before, whatever happens.
                    std::lock_guard guard(m_mutex);
                    m_run.reset();
                }
                std::optional<TRunId> run;
                if (history != nullptr)
                    run = history->BeginRun(job.paths, job.time);
                std::lock_guard guard(m_mutex);
                m_run = run;
                m_runUnrecorded = !run;
                break;
            }
            case TJob::TKind::AddPath:
                if (const std::optional<TRunId> run = currentRun(); history != nullptr && run)
                    history->AddRunPaths(*run, job.paths);
                break;
            case TJob::TKind::End:
                if (const std::optional<TRunId> run = currentRun(); history != nullptr && run)
                    history->EndRun(*run, job.ending, job.time, job.renamed, job.kept);
                break;
            case TJob::TKind::Settle:
                if (history != nullptr)
                    history->SettleFromDisk(job.outcome.intent);
                break;
            case TJob::TKind::Then:
                break;
            default:
                break;
            }
        } catch (...) {
            Fail(std::current_exception());
        }
        if (job.kind == TJob::TKind::Begin) {
            {
                std::lock_guard guard(m_mutex);
                ++m_beginsDone;
            }
            m_changed.notify_all();
        }
        if (job.kind == TJob::TKind::Then && job.then) {
            try {
                job.then();
            } catch (...) {
                LogDebug(lcRename) << "history callback failed";
            }
        }
    }
    flush();
}

} // namespace kelvara
