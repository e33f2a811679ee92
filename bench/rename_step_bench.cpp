// SPDX-License-Identifier: GPL-3.0-or-later
// What one rename step costs and what the whole program achieves per second.
//
// BM_RenameStep: one photo per iteration, the step as the pacing thread runs
// it, on copies of the sample JPEGs that the step does rename. /StepReads:
// without a reader thread (take the file from the worker, read it head
// first, image test, properties, new name, rename); /Program: with the
// program's reader thread, which has read the photo before the step takes
// it, so the step on the main thread only names and renames (the steps that
// find the photo not read yet do nothing and are not counted).
// The file is queued before and given its old name back after, both outside
// the timed part, so every iteration really renames. Each step is also timed
// on its own: median_us is the median photo step, the figure that decides
// whether one photo per 10 ms tick keeps up with the pacing (tick_share_pct:
// 10 ms over 10 ms plus the step, the share of the 100 photos/s ceiling).
//
// BM_Pipeline: the real executable on a folder of N photo copies, from start
// to exit, as a user runs it. It is timed as a whole process rather than
// in-process with the headless host because the process is what the user
// waits for: start-up, the worker's search, the pacing and the idle test
// that ends the run all count. The start-up and exit alone (an empty folder)
// is timed too, so the steady rate can be told from the fixed cost.
//
// The executable is build/Kelvara beside the bench/ folder this program runs
// from; --kelvara=PATH names another.

#include "BenchSupport.h"
#include "photo/PhotoMetadataLibrary.h"
#include "platform/EscapeKey.h"
#include "rename/HistoryWriter.h"
#include "rename/NamingOptions.h"
#include "rename/PhotoReader.h"
#include "rename/RenameStep.h"
#include "search/FindFileThread.h"
#include "support/StepQueues.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using kelvara::test::flattenedCopy;
using kelvara::test::NoEscape;
using kelvara::test::runProcess;
using kelvara::test::sampleJpegs;
using kelvara::test::spawnProcess;
using kelvara::test::StepQueues;
using kelvara::test::TempDir;
using kelvara::test::timeRenamesInTurn;
using kelvara::test::waitProcess;

namespace {

std::string KelvaraPath;

struct Photo {
    std::string path;   // the copy, under its old name
    std::string target; // where the step renames it
};

// Copies of every sample JPEG that the step renames with the first-start
// options (the ones without a shooting date, and the like, are left out:
// they cost less and rename nothing). Made once, shared by the benchmarks.
class SamplePhotos {
public:
    SamplePhotos() {
        StepQueues queues;
        NoEscape escape;
        const kelvara::TRenameStep step(queues.worker, queues.pending, m_options, escape);
        for (const std::string& file : sampleJpegs()) {
            const fs::path copy = flattenedCopy(file, m_folder.path());
            std::string target = step.TargetFor(copy.string());
            if (target.empty())
                ++m_kept;
            else
                m_renamed.push_back({copy.string(), std::move(target)});
        }
    }

    const std::vector<Photo>& renamed() const { return m_renamed; }
    int kept() const { return m_kept; }
    const kelvara::TFixedNamingOptions& options() const { return m_options; }

private:
    TempDir m_folder{"kelvara-bench-photos"};
    kelvara::TFixedNamingOptions m_options; // the first-start choice, as the executable
    std::vector<Photo> m_renamed;
    int m_kept = 0;
};

const SamplePhotos& Samples() {
    static const SamplePhotos samples;
    return samples;
}

// The step as the program runs it, optionally with the history on: the
// reader then writes each rename ahead into the database and the writer
// thread records outcomes, and the step's own time must stay what it was.
void RenameStep(benchmark::State& state, bool withReader, bool withHistory = false) {
    StepQueues queues;
    const SamplePhotos& samples = Samples();
    const std::vector<Photo>& photos = samples.renamed();
    if (photos.empty()) {
        state.SkipWithError("no sample JPEG is renamed");
        return;
    }
    NoEscape escape;
    std::unique_ptr<kelvara::TPhotoReaderThread> reader;
    if (withReader)
        reader = std::make_unique<kelvara::TPhotoReaderThread>(queues.worker);
    kelvara::TRenameStep step(queues.worker, queues.pending, samples.options(), escape,
                              reader.get());
    const TempDir historyFolder("kelvara-bench-history");
    std::unique_ptr<kelvara::THistoryWriter> history;
    if (withHistory) {
        history = std::make_unique<kelvara::THistoryWriter>(
            (historyFolder.path() / "kelvara-history.sqlite").string());
        history->BeginRun({"bench"}, kelvara::THistoryClock::now());
        step.SetHistory(history.get());
    }

    timeRenamesInTurn(
        state, step, queues.worker, photos.size(), [&](std::size_t i) { return photos[i].path; },
        [&](std::size_t i) {
            // Failing here means the step left the photo alone: it must rename.
            return std::rename(photos[i].target.c_str(), photos[i].path.c_str()) == 0
                       ? std::string()
                       : "not renamed: " + photos[i].path;
        });
    state.counters["kept_photos"] = samples.kept();
    if (history) {
        step.SetHistory(nullptr);
        reader.reset(); // before the writer it writes ahead into
        if (history->Failure())
            state.SkipWithError("the history could not be written");
    }
}
void BM_RenameStep_StepReads(benchmark::State& state) {
    RenameStep(state, false);
}
void BM_RenameStep_Program(benchmark::State& state) {
    RenameStep(state, true);
}
void BM_RenameStep_ProgramWithHistory(benchmark::State& state) {
    RenameStep(state, true, true);
}
BENCHMARK(BM_RenameStep_StepReads)
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(1.0)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RenameStep_ProgramWithHistory)
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(1.0)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RenameStep_Program)
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(1.0)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Starts the program on `folder` (which holds `count` photos under names of
// `names`), waits until every photo there has been renamed and ends the
// program with SIGTERM, as a user closing it would. Gives the seconds until
// the first and until the last rename, or -1 when it failed.
struct RunTimes {
    double first = -1;
    double last = -1;
};
RunTimes RunKelvara(const fs::path& folder, const std::set<std::string>& names) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = spawnProcess({KelvaraPath, folder.string()});
    RunTimes times;
    if (pid < 0)
        return times;
    const auto deadline = start + std::chrono::minutes(2);
    while (std::chrono::steady_clock::now() < deadline) {
        std::size_t renamed = 0;
        for (const auto& entry : fs::directory_iterator(folder))
            renamed += names.count(entry.path().filename().string()) == 0;
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (renamed > 0 && times.first < 0)
            times.first = seconds;
        if (renamed == names.size()) {
            times.last = seconds;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    kill(pid, SIGTERM);
    if (waitProcess(pid) != 0)
        times.last = -1;
    return times;
}

// N copies of the renamed samples, in turn, each under a name of its own.
void BM_Pipeline(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const std::vector<Photo>& photos = Samples().renamed();
    if (photos.empty() || !fs::exists(KelvaraPath)) {
        state.SkipWithError(("no photos or no executable at " + KelvaraPath).c_str());
        return;
    }
    TempDir work("kelvara-bench-pipeline");
    const fs::path master = work.path() / "master";
    fs::create_directory(master);
    std::set<std::string> names;
    for (std::size_t i = 0; i < count; ++i) {
        char prefix[32];
        std::snprintf(prefix, sizeof prefix, "c%05zu_", i);
        const fs::path& sample = photos[i % photos.size()].path;
        const std::string name = prefix + sample.filename().string();
        fs::copy_file(sample, master / name);
        names.insert(name);
    }

    double runTotal = 0;
    double startupTotal = 0;
    double steadyRateTotal = 0;
    for (auto _ : state) {
        // A fresh folder per run: hard links to the master copies, so the
        // photos keep their old names there for the next run.
        const fs::path run = work.path() / "run";
        fs::remove_all(run);
        fs::create_directory(run);
        for (const std::string& name : names)
            fs::create_hard_link(master / name, run / name);

        const RunTimes times = RunKelvara(run, names);
        if (times.first < 0 || times.last < 0) {
            state.SkipWithError("the executable failed or did not rename every photo");
            break;
        }
        const double seconds = times.last;
        const double startup = times.first;
        state.SetIterationTime(seconds);

        std::size_t renamed = 0;
        std::size_t files = 0;
        for (const auto& entry : fs::directory_iterator(run)) {
            ++files;
            renamed += names.count(entry.path().filename().string()) == 0;
        }
        if (files != count || renamed != count) {
            state.SkipWithError("not every photo was renamed");
            break;
        }
        runTotal += seconds;
        startupTotal += startup;
        steadyRateTotal += static_cast<double>(count - 1) / (seconds - startup);
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["photos_per_s"] = static_cast<double>(count) * runs / runTotal;
    state.counters["first_rename_ms"] = 1000.0 * startupTotal / runs;
    state.counters["steady_photos_per_s"] = steadyRateTotal / runs;
}
BENCHMARK(BM_Pipeline)
    ->Arg(300)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3);

} // namespace

int main(int argc, char** argv) {
    // The program's window needs no screen here, unless one is asked for.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return kelvara::test::runBenchmarksOnProgram(argc, argv, KelvaraPath);
}
