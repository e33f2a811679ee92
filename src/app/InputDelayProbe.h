// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How long the main thread keeps an event waiting while a fast run goes on:
// a thread of its own posts a stamped event to the main thread every few
// milliseconds, and the main thread notes how long each waited. User input
// waits in the same queue, so this is the delay the user would feel. It runs
// only between Start and Stop; an idle program has no such thread.

#include <QObject>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace kelvara {

class TInputDelayProbe : public QObject {
public:
    static constexpr std::chrono::milliseconds Period{4};

    struct TFigures {
        std::uint64_t samples = 0;
        std::chrono::microseconds p99{0};
        std::chrono::microseconds longest{0};
    };

    TInputDelayProbe() = default;
    ~TInputDelayProbe() override;
    TInputDelayProbe(const TInputDelayProbe&) = delete;
    TInputDelayProbe& operator=(const TInputDelayProbe&) = delete;

    // Main thread: starts posting (again, with no figures yet).
    void Start();
    // Main thread: stops posting and gives the figures since Start.
    TFigures Stop();
    bool Running() const { return m_thread.joinable(); }

private:
    void Post();

    std::mutex m_mutex;
    std::condition_variable m_stopped;
    bool m_stop = false; // under m_mutex
    std::thread m_thread;
    // The main thread's own.
    std::vector<std::int64_t> m_delays;
    std::uint64_t m_round = 0;
};

} // namespace kelvara
