// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What only the benchmark programs share: order statistics of samples, the
// step-time counters, the timed loop of the rename step, and a main that
// takes a benchmark's own options. Temporary folders, sample photos and
// child processes come from the tests' support (tests/support/), named as
// the tests name them.

#include "support/ChildProcess.h"
#include "support/SampleJpegs.h"
#include "support/TempDir.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kelvara::test {

// The value below which a share `q` (0..1) of the samples lie (nearest rank);
// the median for 0.5, averaging the middle two of an even count.
inline double quantile(std::vector<double> samples, double q) {
    if (samples.empty())
        return 0.0;
    std::sort(samples.begin(), samples.end());
    if (q == 0.5) {
        const std::size_t middle = samples.size() / 2;
        return samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
    }
    const auto rank = static_cast<std::size_t>(q * static_cast<double>(samples.size() - 1) + 0.5);
    return samples[std::min(rank, samples.size() - 1)];
}

// Reports the times of single steps, in microseconds: median_us, p90_us and
// max_us, and tick_share_pct, 10 ms over 10 ms plus the median step (the
// share of the 100 photos/s ceiling that one photo per tick keeps).
inline void reportStepTimes(benchmark::State& state, const std::vector<double>& stepTimes) {
    const double median = quantile(stepTimes, 0.5);
    state.counters["median_us"] = median;
    state.counters["p90_us"] = quantile(stepTimes, 0.9);
    state.counters["max_us"] = quantile(stepTimes, 1.0);
    state.counters["tick_share_pct"] = 100.0 * 10.0 / (10.0 + median / 1000.0);
}

// Runs the rename `step` until `worker` has no file queued, and returns how
// long the last of those steps took, in microseconds: with a reader thread
// the steps before it has read the file take nothing, so the step that
// renames is the one timed.
template <typename Step, typename Worker> double timeStepUntilTaken(Step& step, Worker& worker) {
    std::chrono::duration<double, std::micro> elapsed{};
    do {
        const auto start = std::chrono::steady_clock::now();
        step.RenameNextFile();
        elapsed = std::chrono::steady_clock::now() - start;
    } while (worker.FileCount() > 0);
    return elapsed.count();
}

// Times the rename `step` on `count` photos in turn, one per iteration:
// `queue(i)` gives the path of photo i to put on `worker`, the steps until it
// is taken are run and the last timed (timeStepUntilTaken), and then, outside
// the timing, `undo(i)` gives the photo its old name back, returning what went
// wrong (the step left it alone, say) or the empty text. A failed undo ends
// the benchmark with that text. Reports the step times and the photos'
// count.
template <typename Step, typename Worker>
void timeRenamesInTurn(benchmark::State& state, Step& step, Worker& worker, std::size_t count,
                       const std::function<std::string(std::size_t)>& queue,
                       const std::function<std::string(std::size_t)>& undo) {
    std::vector<double> stepTimes;
    std::size_t next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::size_t photo = next;
        next = (next + 1) % count;
        worker.AddPath(queue(photo));
        state.ResumeTiming();

        const double elapsed = timeStepUntilTaken(step, worker);

        state.PauseTiming();
        stepTimes.push_back(elapsed);
        if (const std::string failure = undo(photo); !failure.empty()) {
            state.SkipWithError(failure.c_str());
            break;
        }
        state.ResumeTiming();
    }
    reportStepTimes(state, stepTimes);
    state.counters["photos"] = static_cast<double>(count);
    state.SetItemsProcessed(state.iterations());
}

// The program beside the bench/ folder this benchmark runs from.
inline std::string programBesideBenchmarks() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return (self.parent_path().parent_path() / "Kelvara").string();
}

// A benchmark program's main that runs the program: --kelvara=PATH names it
// (into `program`), by default the one beside the benchmarks.
inline int runBenchmarksOnProgram(int argc, char** argv, std::string& program);

// A benchmark program's main: `ownOption` sees each argument first and
// takes it by returning true; Google Benchmark gets the rest.
inline int runBenchmarks(int argc, char** argv,
                         const std::function<bool(const std::string&)>& ownOption) {
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i)
        if (i == 0 || !ownOption(argv[i]))
            rest.push_back(argv[i]);
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data()))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

inline int runBenchmarksOnProgram(int argc, char** argv, std::string& program) {
    program = programBesideBenchmarks();
    return runBenchmarks(argc, argv, [&](const std::string& arg) {
        if (arg.rfind("--kelvara=", 0) != 0)
            return false;
        program = arg.substr(10);
        return true;
    });
}

} // namespace kelvara::test
