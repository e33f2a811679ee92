// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename/Run.h"

namespace kelvara {

bool TRun::PathQueued(const std::string& path) {
    const bool starts = !Going();
    if (starts) {
        m_state = TRunState::Going;
        ++m_number;
        m_started = TClock::now();
        m_given.clear();
        m_renamed = 0;
        m_kept = 0;
        m_keptFor.fill(0);
    }
    m_given.push_back(path);
    return starts;
}

void TRun::FileDone(const TFileOutcome& outcome) {
    if (!Going())
        return;
    if (outcome.Renamed()) {
        ++m_renamed;
        return;
    }
    ++m_kept;
    const auto index = static_cast<std::size_t>(*outcome.kept);
    if (index < m_keptFor.size())
        ++m_keptFor[index];
}

bool TRun::Finish() {
    return End(TRunState::Finished);
}

bool TRun::Cancel() {
    return End(TRunState::Cancelled);
}

bool TRun::End(TRunState how) {
    if (!Going())
        return false;
    m_state = how;
    return true;
}

std::size_t TRun::KeptFor(TKeptReason reason) const {
    const auto index = static_cast<std::size_t>(reason);
    return index < m_keptFor.size() ? m_keptFor[index] : 0;
}

} // namespace kelvara
