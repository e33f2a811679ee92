// SPDX-License-Identifier: GPL-3.0-or-later
// What the program spends on one photo before it names it: read the file head
// first, test that it is a raster image, read date, size and model (the
// reader thread's work, or the step's where there is no reader). Run over
// the real sample JPEGs, one photo per iteration in turn, so the figure is
// the cost per photo over a realistic mix (small and large files, rich and
// poor metadata). The per-photo benchmarks show which photos cost most.
// BM_PhotoStepMedianPhotoWholeRead reads each file whole first, as the
// program once did, for comparison.

#include "BenchSupport.h"
#include "photo/GPImage.h"
#include "photo/PhotoFile.h"
#include "photo/PhotoMetadataLibrary.h"
#include "photo/PhotoProperties.h"
#include "platform/FileContent.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using kelvara::test::sampleJpegs;

// One photo's worth of work; a failure skips the photo, as in the step.
void PhotoStep(const std::string& path) {
    try {
        if (const auto properties = kelvara::ReadPhotoFile(path))
            benchmark::DoNotOptimize(properties->DateTaken.data());
    } catch (const std::exception&) {
    }
}

// The same, the file read whole first.
void WholeReadPhotoStep(const std::string& path) {
    try {
        const kelvara::TBytes content = kelvara::ReadFileContent(path);
        if (!kelvara::IsImageContent(content))
            return;
        const kelvara::TPhotoProperties properties = kelvara::ReadPhotoProperties(content);
        benchmark::DoNotOptimize(properties.DateTaken.data());
    } catch (const std::exception&) {
    }
}

void BM_PhotoStepOverAllJpegs(benchmark::State& state) {
    const kelvara::TPhotoMetadataLibrary library;
    const std::vector<std::string> files = sampleJpegs();
    if (files.empty()) {
        state.SkipWithError("no sample JPEGs found");
        return;
    }
    size_t next = 0;
    for (auto _ : state) {
        PhotoStep(files[next]);
        next = (next + 1) % files.size();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["photos"] = static_cast<double>(files.size());
}
BENCHMARK(BM_PhotoStepOverAllJpegs)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// The whole set once per iteration, each photo timed on its own: the median
// over the photos' mean times is the figure the step's budget is set for
// (counter median_us), the slowest photo's mean shows the tail (max_us).
void MedianPhoto(benchmark::State& state, void (*photoStep)(const std::string&)) {
    const kelvara::TPhotoMetadataLibrary library;
    const std::vector<std::string> files = sampleJpegs();
    if (files.empty()) {
        state.SkipWithError("no sample JPEGs found");
        return;
    }
    std::vector<double> total(files.size(), 0.0);
    for (auto _ : state) {
        for (size_t i = 0; i < files.size(); ++i) {
            const auto start = std::chrono::steady_clock::now();
            photoStep(files[i]);
            total[i] +=
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                    .count();
        }
    }
    for (double& sum : total)
        sum /= static_cast<double>(state.iterations());
    state.counters["median_us"] = kelvara::test::quantile(total, 0.5);
    state.counters["max_us"] = kelvara::test::quantile(total, 1.0);
    state.counters["photos"] = static_cast<double>(files.size());
}
void BM_PhotoStepMedianPhoto(benchmark::State& state) {
    MedianPhoto(state, PhotoStep);
}
void BM_PhotoStepMedianPhotoWholeRead(benchmark::State& state) {
    MedianPhoto(state, WholeReadPhotoStep);
}
BENCHMARK(BM_PhotoStepMedianPhoto)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PhotoStepMedianPhotoWholeRead)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_PhotoStepOnePhoto(benchmark::State& state, const std::string& path) {
    const kelvara::TPhotoMetadataLibrary library;
    for (auto _ : state)
        PhotoStep(path);
}

// Registered at start-up, one benchmark per sample, named by its file.
const bool registered = [] {
    for (const std::string& path : sampleJpegs()) {
        const std::string name =
            "BM_PhotoStepOnePhoto/" + std::filesystem::path(path).filename().string();
        benchmark::RegisterBenchmark(name.c_str(), BM_PhotoStepOnePhoto, path)
            ->Unit(benchmark::kMicrosecond)
            ->MinTime(0.05);
    }
    return true;
}();

} // namespace

BENCHMARK_MAIN();
