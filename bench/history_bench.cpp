// SPDX-License-Identifier: GPL-3.0-or-later
// What the history costs a run: every rename is written ahead (and reaches
// the disk) before its files move, and its outcome after. The reader thread
// writes intents ahead of the step, so the main thread waits on none of it;
// these numbers say how far ahead it has to be, and whether batches keep a
// run of 100 photos a second (one step per 10 ms tick) fed.
//
// BM_WriteIntent/companions:N: one intent per transaction, a photo with N
// companions: the cost of a record that reaches the disk alone.
// BM_WriteIntentsBatched/batch:B: B intents (a photo and one sidecar each) in
// one transaction; items/s is intents per second.
// BM_RecordOutcomes/batch:B: the outcomes of B written intents in one
// transaction.
//
// Times are wall-clock times: a commit's cost is mostly the wait for the
// disk's flush. The history lies in a fresh folder under --history-dir=PATH
// (default: the system's temporary folder); put it on the disk a user's home
// lies on.

#include "BenchSupport.h"
#include "history/History.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <string>
#include <vector>

using kelvara::TFileRename;
using kelvara::THistory;
using kelvara::THistoryClock;
using kelvara::TIntent;
using kelvara::TIntentId;
using kelvara::TIntentOutcome;
using kelvara::TRunId;

namespace {

std::string HistoryDir = std::filesystem::temp_directory_path().string();

// A folder of its own under HistoryDir, removed afterwards.
class HistoryFolder {
public:
    HistoryFolder() {
        std::string pattern = HistoryDir + "/kelvara-bench-history-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed in " + HistoryDir);
        m_path = pattern;
    }
    ~HistoryFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    HistoryFolder(const HistoryFolder&) = delete;
    HistoryFolder& operator=(const HistoryFolder&) = delete;
    std::string File() const { return (m_path / "history.sqlite").string(); }

private:
    std::filesystem::path m_path;
};

// The intent of the n-th photo, with `companions` companions, named as the
// step names them.
TIntent IntentOf(std::size_t n, int companions) {
    const std::string stem = "IMG_" + std::to_string(n);
    TIntent intent{"/home/user/Pictures/2024/holiday", {}};
    kelvara::TFileIdentity identity;
    identity.device = 2049;
    identity.inode = 1000000 + n;
    identity.size = 6'000'000;
    identity.modified = 1'700'000'000'000'000'000 + static_cast<std::int64_t>(n);
    intent.files.push_back(
        {stem + ".JPG", "202406011200_6000x4000_CanonEOSR6_" + stem + ".JPG", identity});
    const char* extensions[] = {".JPG.xmp", ".AAE", ".MOV"};
    for (int c = 0; c < companions; ++c)
        intent.files.push_back({stem + extensions[c],
                                "202406011200_6000x4000_CanonEOSR6_" + stem + extensions[c],
                                identity});
    return intent;
}

void BM_WriteIntent(benchmark::State& state) {
    const int companions = static_cast<int>(state.range(0));
    HistoryFolder folder;
    THistory history(folder.File());
    const TRunId run = history.BeginRun({"/home/user/Pictures"}, THistoryClock::now());
    std::size_t n = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(history.WriteIntent(run, IntentOf(n++, companions)));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WriteIntent)
    ->ArgName("companions")
    ->Arg(0)
    ->Arg(3)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime() // the cost is the wait for the disk, not the processor
    ->MinTime(1.0);

void BM_WriteIntentsBatched(benchmark::State& state) {
    const std::size_t batch = static_cast<std::size_t>(state.range(0));
    HistoryFolder folder;
    THistory history(folder.File());
    const TRunId run = history.BeginRun({"/home/user/Pictures"}, THistoryClock::now());
    std::size_t n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<TIntent> intents;
        for (std::size_t i = 0; i < batch; ++i)
            intents.push_back(IntentOf(n++, 1));
        state.ResumeTiming();
        benchmark::DoNotOptimize(history.WriteIntents(run, intents));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(batch));
}
BENCHMARK(BM_WriteIntentsBatched)
    ->ArgName("batch")
    ->Arg(1)
    ->Arg(8)
    ->Arg(64)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime() // the cost is the wait for the disk, not the processor
    ->MinTime(1.0);

void BM_RecordOutcomes(benchmark::State& state) {
    const std::size_t batch = static_cast<std::size_t>(state.range(0));
    HistoryFolder folder;
    THistory history(folder.File());
    const TRunId run = history.BeginRun({"/home/user/Pictures"}, THistoryClock::now());
    std::size_t n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<TIntent> intents;
        for (std::size_t i = 0; i < batch; ++i)
            intents.push_back(IntentOf(n++, 1));
        std::vector<THistory::TOutcome> outcomes;
        for (const TIntentId id : history.WriteIntents(run, intents))
            outcomes.push_back({id, TIntentOutcome::Done, {}, {}});
        state.ResumeTiming();
        history.RecordOutcomes(outcomes);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(batch));
}
BENCHMARK(BM_RecordOutcomes)
    ->ArgName("batch")
    ->Arg(1)
    ->Arg(64)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime() // the cost is the wait for the disk, not the processor
    ->MinTime(1.0);

} // namespace

int main(int argc, char** argv) {
    return kelvara::test::runBenchmarks(argc, argv, [](const std::string& arg) {
        if (arg.rfind("--history-dir=", 0) != 0)
            return false;
        HistoryDir = arg.substr(14);
        return true;
    });
}
