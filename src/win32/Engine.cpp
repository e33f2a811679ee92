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

TEngine::TEngine(IEscapeKey& escape) : m_step(m_search, m_pending, m_options, escape) {
    m_step.SetObserver(this);
    m_search.Resume();
}

void TEngine::QueuePaths(const std::vector<std::wstring>& paths) {
    // The shared search joins and splits paths at "/", which Windows takes
    // as a delimiter too.
    std::vector<std::string> queued;
    queued.reserve(paths.size());
    for (const std::wstring& path : paths) {
        std::string utf8 = Utf8FromWide(path);
        std::replace(utf8.begin(), utf8.end(), '\\', '/');
        queued.push_back(std::move(utf8));
    }
    m_search.AddPaths(queued);
}

void TEngine::Step(const INamingOptions& options) noexcept {
    m_options.current = &options;
    m_step.RenameNextFile();
    m_options.current = nullptr;
}

void TEngine::Cancel() {
    m_search.Cancel();
    m_pending.clear();
}

bool TEngine::HasWork() const {
    return !m_pending.empty() || m_search.HasWork();
}

void TEngine::FileDone(const TFileOutcome&) noexcept {}

void TEngine::Cancelled() noexcept {
    try {
        DebugLine("cancelled");
    } catch (...) {
        // A line that cannot be written stops nothing.
    }
}

void TEngine::QueuesEmpty() noexcept {}

} // namespace kelvara
