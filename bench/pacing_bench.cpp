// SPDX-License-Identifier: GPL-3.0-or-later
// The pace of a run: 1,500 copies of a small JPEG through the program's own
// threads, in this process: the search worker, the reader thread, the pacing
// thread and a Qt event loop that serves the steps, as in the program. Every
// step's request (made by the pacing thread), start and end (on the main
// thread) are taken from the steady clock, so the run shows where a tick's
// time goes:
//
//   gap        end of a step to the request of the next: at least 10 ms, the
//              rule; gap_min_ms must never fall below it
//   overshoot  how much later than 10 ms after the end the request came: the
//              pacing thread's oversleeping (timer slack, scheduling)
//   wake       request to the start of the step: the main thread's wake-up
//              and the round trip of the request through the event loop
//   step       the step itself on the main thread
//
// photos_per_s is the rate from the first rename to the last; the ceiling is
// 100 (10 ms per photo and nothing else). idle_steps counts the steps in
// between that found the front file not ready yet (each costs a tick).
//
// Four ways to run it: BM_PacedRun/Program is the program (reader thread,
// pacing from the end of the step on the monotonic clock with the least
// timer slack); /ProgramWithHistory is the same with the history on (the
// reader writes each rename ahead, a writer thread records the outcomes),
// whose photos_per_s and step times must match /Program's; /StepReads has the step read each file
// itself on the main thread; BM_PacedRunSleepFor paces as the program first did (sleep_for 10 ms
// after the step returned, default timer slack), with the step reading each file itself, for
// comparison.

#include "BenchSupport.h"
#include "app/TimerThread.h"
#include "photo/PhotoMetadataLibrary.h"
#include "platform/EscapeKey.h"
#include "rename/HistoryWriter.h"
#include "rename/NamingOptions.h"
#include "rename/PhotoReader.h"
#include "rename/RenameStep.h"
#include "search/FindFileThread.h"
#include "support/StepQueues.h"
#include "thread/MainThreadCall.h"

#include <QCoreApplication>
#include <QObject>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using kelvara::test::NoEscape;
using Clock = std::chrono::steady_clock;
using kelvara::test::quantile;
using kelvara::test::TempDir;

namespace {

constexpr int PhotoCount = 1500;

// The Qt main-thread call of the program, which also notes when each request
// is made (on the requesting thread).
class TTimedMainThreadCall : public kelvara::TMainThreadCall {
public:
    TTimedMainThreadCall()
        : TMainThreadCall([this] {
              {
                  std::lock_guard guard(m_mutex);
                  m_requests.push_back(Clock::now());
              }
              QMetaObject::invokeMethod(
                  &m_receiver, [this] { Serve(); }, Qt::QueuedConnection);
          }) {}

    std::vector<Clock::time_point> Requests() {
        std::lock_guard guard(m_mutex);
        return m_requests;
    }

private:
    QObject m_receiver;
    std::mutex m_mutex;
    std::vector<Clock::time_point> m_requests;
};

// The pacing as the program first had it: the step, then sleep_for(10 ms).
class TSleepForPacing : public kelvara::TThread {
public:
    TSleepForPacing(kelvara::TMainThreadCall& call, std::function<void()> step)
        : m_call(call), m_step(std::move(step)) {
        Resume();
    }
    ~TSleepForPacing() override {
        Terminate();
        m_call.ServeUntil([this] { return Finished(); });
        WaitFor();
    }

protected:
    void Execute() override {
        while (!Terminated()) {
            m_call.Synchronize(m_step);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    void DoFinished() override { m_call.Notify(); }

private:
    kelvara::TMainThreadCall& m_call;
    std::function<void()> m_step;
};

// 1,500 hard links to one copy of Canon_40D.jpg, each under a name of its own.
void MakeRunFolder(const fs::path& master, const fs::path& run) {
    fs::remove_all(run);
    fs::create_directories(run);
    for (int i = 0; i < PhotoCount; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "c%05d_Canon_40D.jpg", i);
        fs::create_hard_link(master, run / name);
    }
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

enum class TWay { Program, ProgramWithHistory, StepReads, SleepFor };

void Run(benchmark::State& state, TWay way) {
    const kelvara::TPhotoMetadataLibrary library;
    TempDir folder("kelvara-pacing-bench");
    const fs::path master = folder.path() / "Canon_40D.jpg";
    fs::copy_file(kelvara::test::photosDir() / "jpg" / "Canon_40D.jpg", master);
    const kelvara::TFixedNamingOptions options;

    std::vector<double> gaps, overshoots, wakes, steps;
    double rateSum = 0;
    std::size_t idleSteps = 0;
    for (auto _ : state) {
        const fs::path run = folder.path() / "run";
        MakeRunFolder(master, run);

        kelvara::TCriticalSection lock;
        kelvara::TFindFileThread worker(lock);
        kelvara::TPathList pending;
        NoEscape escape;
        std::unique_ptr<kelvara::THistoryWriter> history;
        if (way == TWay::ProgramWithHistory)
            history = std::make_unique<kelvara::THistoryWriter>(
                (folder.path() / "kelvara-history.sqlite").string());
        std::unique_ptr<kelvara::TPhotoReaderThread> reader;
        if (way == TWay::Program || way == TWay::ProgramWithHistory)
            reader = std::make_unique<kelvara::TPhotoReaderThread>(worker);
        kelvara::TRenameStep step(worker, pending, options, escape, reader.get());
        if (history) {
            // As the window does: the run begins before its first file.
            history->BeginRun({run.string()}, kelvara::THistoryClock::now());
            step.SetHistory(history.get());
        }
        TTimedMainThreadCall call;

        std::vector<Clock::time_point> starts, ends, renames;
        const auto timedStep = [&] {
            const std::size_t before = worker.FileCount();
            starts.push_back(Clock::now());
            step.RenameNextFile();
            ends.push_back(Clock::now());
            if (worker.FileCount() < before) {
                renames.push_back(ends.back());
                if (renames.size() == static_cast<std::size_t>(PhotoCount))
                    QCoreApplication::quit();
            } else if (!renames.empty()) {
                ++idleSteps; // the reader had not got the front file ready
            }
        };
        worker.Resume();
        worker.AddPath(run.string());
        {
            std::unique_ptr<kelvara::TThread> pacing;
            if (way == TWay::SleepFor)
                pacing = std::make_unique<TSleepForPacing>(call, timedStep);
            else
                pacing = std::make_unique<kelvara::TTimerThread>(call, timedStep, worker);
            QCoreApplication::exec();
        }
        if (history) {
            step.SetHistory(nullptr);
            reader.reset(); // before the writer it writes ahead into
            history->EndRun(kelvara::TRunEnding::Finished, kelvara::THistoryClock::now(),
                            static_cast<std::int64_t>(renames.size()), 0);
            history->Flush();
            if (history->Failure()) {
                state.SkipWithError("the history could not be written");
                return;
            }
        }
        if (renames.size() != static_cast<std::size_t>(PhotoCount)) {
            state.SkipWithError("not every photo was renamed");
            return;
        }
        // Request i follows step i-1: pair them up.
        const std::vector<Clock::time_point> requests = call.Requests();
        for (std::size_t i = 1; i < starts.size() && i < requests.size(); ++i) {
            gaps.push_back(Ms(requests[i] - ends[i - 1]));
            overshoots.push_back(1000.0 * (Ms(requests[i] - ends[i - 1]) - 10.0));
        }
        for (std::size_t i = 0; i < starts.size() && i < requests.size(); ++i) {
            wakes.push_back(1000.0 * Ms(starts[i] - requests[i]));
            steps.push_back(1000.0 * Ms(ends[i] - starts[i]));
        }
        const double seconds = Ms(renames.back() - renames.front()) / 1000.0;
        state.SetIterationTime(seconds);
        rateSum += (PhotoCount - 1) / seconds;
    }
    state.counters["photos_per_s"] = rateSum / static_cast<double>(state.iterations());
    state.counters["idle_steps"] =
        static_cast<double>(idleSteps) / static_cast<double>(state.iterations());
    state.counters["gap_min_ms"] = quantile(gaps, 0.0);
    state.counters["gap_p50_ms"] = quantile(gaps, 0.5);
    state.counters["gap_p99_ms"] = quantile(gaps, 0.99);
    state.counters["gap_max_ms"] = quantile(gaps, 1.0);
    state.counters["overshoot_p50_us"] = quantile(overshoots, 0.5);
    state.counters["overshoot_p99_us"] = quantile(overshoots, 0.99);
    state.counters["wake_p50_us"] = quantile(wakes, 0.5);
    state.counters["wake_p99_us"] = quantile(wakes, 0.99);
    state.counters["step_p50_us"] = quantile(steps, 0.5);
    state.counters["step_p99_us"] = quantile(steps, 0.99);
    state.counters["step_max_us"] = quantile(steps, 1.0);
}

void BM_PacedRun_Program(benchmark::State& state) {
    Run(state, TWay::Program);
}
void BM_PacedRun_ProgramWithHistory(benchmark::State& state) {
    Run(state, TWay::ProgramWithHistory);
}
void BM_PacedRun_StepReads(benchmark::State& state) {
    Run(state, TWay::StepReads);
}
void BM_PacedRunSleepFor(benchmark::State& state) {
    Run(state, TWay::SleepFor);
}

BENCHMARK(BM_PacedRun_Program)
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->Repetitions(3);
BENCHMARK(BM_PacedRun_ProgramWithHistory)
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->Repetitions(3);
BENCHMARK(BM_PacedRun_StepReads)
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->Repetitions(1);
BENCHMARK(BM_PacedRunSleepFor)
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->Repetitions(1);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
