// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename/Run.h"

namespace kelvara {

bool TRun::PathQueued(const std::string& path) {
    const bool starts = !Going();
    if (starts) {
        m_state = TRunStage::Going;
        ++m_number;
        m_started = TClock::now();
        m_given.clear();
        m_renamed = 0;
        m_kept = 0;
        m_keptFor.clear();
        m_keptNoPhoto.clear();
    }
    m_given.push_back(path);
    return starts;
}

void TRun::FileDone(const TFileOutcome& outcome) {
    if (!Going())
        return;
    if (outcome.Renamed()) {
        ++m_renamed;
        for (std::size_t i = 1; i < outcome.moves.size(); ++i)
            if (m_keptNoPhoto.erase(outcome.moves[i].from) > 0) {
                --m_kept;
                if (--m_keptFor[TKeptReason::NotAPhoto] == 0)
                    m_keptFor.erase(TKeptReason::NotAPhoto);
            }
        return;
    }
    ++m_kept;
    ++m_keptFor[*outcome.kept];
    if (*outcome.kept == TKeptReason::NotAPhoto)
        m_keptNoPhoto.insert(outcome.path);
}

bool TRun::Finish() {
    return End(TRunStage::Finished);
}

bool TRun::Cancel() {
    return End(TRunStage::Cancelled);
}

bool TRun::End(TRunStage how) {
    if (!Going())
        return false;
    m_state = how;
    return true;
}

std::size_t TRun::KeptFor(TKeptReason reason) const {
    const auto found = m_keptFor.find(reason);
    return found == m_keptFor.end() ? 0 : found->second;
}

} // namespace kelvara
