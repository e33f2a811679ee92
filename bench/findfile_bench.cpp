// SPDX-License-Identifier: GPL-3.0-or-later
// The search worker on a large tree: 100,000 empty files in 1,000 folders
// (ten folders of 100 files, each holding 99 more folders of 100 files),
// made once in a temporary folder and removed at exit.
//
// BM_SearchVsFind: from AddPath of the tree's root until the worker has no
// search work left (worker_ms), against `find ROOT -type f > /dev/null` run
// as a process on the same tree (find_ms), both with warm caches, in turns
// within each iteration so that both see the same load. ratio is worker over
// find, from the sums of a repetition.
//
// BM_QueueMemory: the heap the queued paths take, per path, against the
// paths' average length: once while the files wait in the worker's queue,
// once after they moved to a list of the main thread (what TakeFiles does).

#include "BenchSupport.h"
#include "search/FindFileThread.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <malloc.h>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using kelvara::test::runProcess;
using kelvara::test::TempDir;

namespace {

constexpr std::size_t TreeFiles = 100000;

class Tree {
public:
    Tree() {
        std::size_t made = 0;
        for (int top = 0; top < 10; ++top) {
            const fs::path upper = m_folder.path() / ("Folder" + std::to_string(top));
            fs::create_directory(upper);
            made += FillFolder(upper);
            for (int sub = 0; sub < 99; ++sub) {
                char name[32];
                std::snprintf(name, sizeof name, "2024-%02d-%02d Trip", sub / 9 + 1, sub % 28 + 1);
                const fs::path lower = upper / (name + std::to_string(sub));
                fs::create_directory(lower);
                made += FillFolder(lower);
            }
        }
        if (made != TreeFiles)
            throw std::runtime_error("the tree could not be made");
    }

    std::string root() const { return m_folder.path().string(); }

private:
    static std::size_t FillFolder(const fs::path& folder) {
        std::size_t made = 0;
        for (int i = 0; i < 100; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/IMG_%04d.JPG", i);
            const int fd = open((folder.string() + name).c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (fd >= 0) {
                close(fd);
                ++made;
            }
        }
        return made;
    }

    TempDir m_folder{"kelvara-bench-tree"};
};

const Tree& TheTree() {
    static const Tree tree;
    return tree;
}

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Queues `root` on a running worker and waits until its search is over.
double SearchSeconds(kelvara::TFindFileThread& worker, const std::string& root) {
    const auto start = std::chrono::steady_clock::now();
    worker.AddPath(root);
    while (worker.HasSearchWork())
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    return Since(start);
}

double FindSeconds(const std::string& root) {
    const auto start = std::chrono::steady_clock::now();
    if (runProcess({"find", root, "-type", "f"}) != 0)
        return -1.0;
    return Since(start);
}

void BM_SearchVsFind(benchmark::State& state) {
    const std::string root = TheTree().root();
    // Warm the caches for both, once.
    FindSeconds(root);
    {
        kelvara::TCriticalSection lock;
        kelvara::TFindFileThread worker(lock);
        worker.Resume();
        SearchSeconds(worker, root);
    }

    double workerTotal = 0;
    double findTotal = 0;
    for (auto _ : state) {
        kelvara::TCriticalSection lock;
        auto worker = std::make_unique<kelvara::TFindFileThread>(lock);
        worker->Resume();
        const double workerSeconds = SearchSeconds(*worker, root);
        const std::size_t found = worker->FileCount();
        worker.reset(); // its 100,000 paths go outside the timed parts

        const double findSeconds = FindSeconds(root);
        if (found != TreeFiles || findSeconds < 0) {
            state.SkipWithError("the worker missed files or find failed");
            break;
        }
        state.SetIterationTime(workerSeconds);
        workerTotal += workerSeconds;
        findTotal += findSeconds;
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["worker_ms"] = 1000.0 * workerTotal / runs;
    state.counters["find_ms"] = 1000.0 * findTotal / runs;
    state.counters["ratio"] = workerTotal / findTotal;
    state.counters["files"] = static_cast<double>(TreeFiles);
}
BENCHMARK(BM_SearchVsFind)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5)
    ->Repetitions(3);

std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2(); // all arenas, the worker's too
    return info.uordblks + info.hblkhd;
}

void BM_QueueMemory(benchmark::State& state) {
    const std::string root = TheTree().root();
    for (auto _ : state) {
        kelvara::TCriticalSection lock;
        kelvara::TFindFileThread worker(lock);
        worker.Resume();
        kelvara::TPathList pending;

        const std::size_t before = HeapInUse();
        SearchSeconds(worker, root);
        const std::size_t queued = HeapInUse();
        const std::size_t found = worker.FileCount();
        worker.TakeFiles(pending, INT_MAX);
        const std::size_t taken = HeapInUse();
        if (found != TreeFiles || pending.size() != TreeFiles) {
            state.SkipWithError("the worker missed files");
            break;
        }
        double length = 0;
        for (const std::string& path : pending)
            length += static_cast<double>(path.size());
        const double count = static_cast<double>(TreeFiles);
        const double queuedPerPath =
            (static_cast<double>(queued) - static_cast<double>(before)) / count;
        state.counters["path_length"] = length / count;
        state.counters["queued_bytes_per_path"] = queuedPerPath;
        state.counters["queued_overhead"] = queuedPerPath - length / count;
        state.counters["taken_bytes_per_path"] =
            (static_cast<double>(taken) - static_cast<double>(before)) / count;
    }
}
BENCHMARK(BM_QueueMemory)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

} // namespace

BENCHMARK_MAIN();
