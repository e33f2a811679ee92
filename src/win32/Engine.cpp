// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/Engine.h"

#include "win32/DebugLog.h"
#include "win32/WideText.h"

#include <algorithm>

namespace kelvara {

std::string TEngine::TStepOptions::DatePattern() const {
    return current ? current->DatePattern() : std::string(DatePatternMinute);
}

TNameLayout TEngine::TStepOptions::Layout() const {
    // Outside a step nothing is renamed.
    return current ? current->Layout() : TNameLayout::None;
}

bool TEngine::TStepOptions::VideosToo() const {
    return current && current->VideosToo();
}

TEngine::TEngine(IEscapeKey& escape, const std::string& historyFile)
    : m_history(std::make_unique<THistoryWriter>(
          historyFile, historyFile.empty() ? "no folder for the history" : "")),
      m_reader(std::make_unique<TPhotoReaderThread>(m_search)),
      m_step(m_search, m_pending, m_options, escape, m_reader.get()) {
    m_step.SetObserver(this);
    m_step.SetHistory(m_history.get());
    m_search.Resume();
}

TEngine::~TEngine() {
    m_search.Cancel();
    EndRun(true);
    // The reader stops before the history it writes ahead to goes.
    m_step.SetReader(nullptr);
    m_reader.reset();
    m_step.SetHistory(nullptr);
}

void TEngine::QueuePaths(const std::vector<std::wstring>& paths) {
    // The shared search joins and splits paths at "/", which Windows takes
    // as a delimiter too.
    std::vector<std::string> queued;
    queued.reserve(paths.size());
    for (const std::wstring& path : paths) {
        std::string utf8 = Utf8FromWide(path);
        std::replace(utf8.begin(), utf8.end(), '\\', '/');
        // Recorded before it is queued: the step's renames go under it.
        if (m_run.PathQueued(utf8))
            m_history->BeginRun({utf8}, m_run.Started());
        else
            m_history->AddRunPath(utf8);
        queued.push_back(std::move(utf8));
    }
    m_search.AddPaths(queued);
}

void TEngine::Step(const INamingOptions& options) noexcept {
    m_options.current = &options;
    m_step.RenameNextFile();
    m_options.current = nullptr;
    // Ended with its last file (or with nothing to search at all: a path
    // that named nothing), not a tick later.
    try {
        if (m_run.Going() && !HasWork())
            EndRun(false);
    } catch (...) {
        // Looked at again after the next step.
    }
}

void TEngine::Cancel() {
    m_search.Cancel();
    m_pending.clear();
    EndRun(true);
}

bool TEngine::HasWork() const {
    return !m_pending.empty() || m_search.HasWork();
}

void TEngine::FileDone(const TFileOutcome& outcome) noexcept {
    try {
        m_run.FileDone(outcome);
    } catch (...) {
        // A count missed changes nothing on the disk.
    }
}

void TEngine::Cancelled() noexcept {
    try {
        DebugLine("cancelled");
    } catch (...) {
        // A line that cannot be written stops nothing.
    }
    EndRun(true);
}

void TEngine::QueuesEmpty() noexcept {
    EndRun(false);
}

void TEngine::EndRun(bool cancelled) noexcept {
    try {
        if (!(cancelled ? m_run.Cancel() : m_run.Finish()))
            return;
        m_history->EndRun(cancelled ? TRunEnding::Cancelled : TRunEnding::Finished,
                          THistoryClock::now(), static_cast<std::int64_t>(m_run.Renamed()),
                          static_cast<std::int64_t>(m_run.Kept()));
    } catch (...) {
        // The run stays open in the history; the next opening settles it.
    }
}

} // namespace kelvara
