// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/InputDelayProbe.h"

#include <QMetaObject>
#include <algorithm>

namespace kelvara {

TInputDelayProbe::~TInputDelayProbe() {
    Stop();
}

void TInputDelayProbe::Start() {
    Stop();
    m_delays.clear();
    ++m_round;
    {
        std::lock_guard guard(m_mutex);
        m_stop = false;
    }
    m_thread = std::thread([this] { Post(); });
}

void TInputDelayProbe::Post() {
    const std::uint64_t round = m_round;
    std::unique_lock lock(m_mutex);
    // The period is the probe's own rhythm, not a wait for anything: Stop
    // ends it at once.
    while (!m_stopped.wait_for(lock, Period, [this] { return m_stop; })) {
        const auto posted = std::chrono::steady_clock::now();
        QMetaObject::invokeMethod(
            this,
            [this, posted, round] {
                if (round != m_round || !Running())
                    return;
                m_delays.push_back(std::chrono::duration_cast<std::chrono::microseconds>(
                                       std::chrono::steady_clock::now() - posted)
                                       .count());
            },
            Qt::QueuedConnection);
    }
}

TInputDelayProbe::TFigures TInputDelayProbe::Stop() {
    if (m_thread.joinable()) {
        {
            std::lock_guard guard(m_mutex);
            m_stop = true;
        }
        m_stopped.notify_all();
        m_thread.join();
    }
    TFigures figures;
    if (m_delays.empty())
        return figures;
    std::vector<std::int64_t> sorted = m_delays;
    std::sort(sorted.begin(), sorted.end());
    figures.samples = sorted.size();
    const std::size_t p99 = std::min(sorted.size() - 1, sorted.size() * 99 / 100);
    figures.p99 = std::chrono::microseconds(sorted[p99]);
    figures.longest = std::chrono::microseconds(sorted.back());
    return figures;
}

} // namespace kelvara
