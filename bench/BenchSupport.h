// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Helpers the benchmark programs share: a temporary folder that goes with its
// contents, the sample JPEGs and their copies, a child process run to its
// end, order statistics of samples and the step-time counters, and a main
// that takes a benchmark's own options.

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace kelvara::bench {

// A fresh folder under the system's temporary folder, removed with whatever
// it holds when the object goes.
class TempFolder {
public:
    explicit TempFolder(const char* prefix = "kelvara-bench") {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Starts `args` (args[0] looked up in PATH) with its output thrown away;
// returns its process id, or -1 when it could not start.
inline pid_t SpawnProcess(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

// Waits for a started process; its exit status, or -1 when it did not exit
// normally.
inline int WaitProcess(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs `args` and waits for it; its exit status, or -1.
inline int RunProcess(const std::vector<std::string>& args) {
    const pid_t pid = SpawnProcess(args);
    return pid < 0 ? -1 : WaitProcess(pid);
}

// The value below which a share `q` (0..1) of the samples lie (nearest rank);
// the median for 0.5, averaging the middle two of an even count.
inline double Quantile(std::vector<double> samples, double q) {
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

// Where the sample JPEGs lie.
inline std::filesystem::path SampleJpegFolder() {
    return std::filesystem::path(KELVARA_PHOTOS_DIR) / "jpg";
}

// The sample JPEGs (photos/jpg and its subfolders), sorted by path.
inline std::vector<std::string> SampleJpegs() {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(SampleJpegFolder())) {
        std::string extension = entry.path().extension().string();
        for (char& c : extension)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (entry.is_regular_file() && (extension == ".jpg" || extension == ".jpeg"))
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Copies `file`, one of SampleJpegs(), into `folder`, named after its path
// below the sample folder with each '/' made '-' (so that names from
// different sample folders stay apart), and writable by its owner. Returns
// the copy's path.
inline std::filesystem::path FlattenedCopy(const std::filesystem::path& file,
                                           const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    std::string name = fs::relative(file, SampleJpegFolder()).string();
    for (char& c : name)
        if (c == '/')
            c = '-';
    const fs::path copy = folder / name;
    fs::copy_file(file, copy);
    fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
    return copy;
}

// Reports the times of single steps, in microseconds: median_us, p90_us and
// max_us, and tick_share_pct, 10 ms over 10 ms plus the median step (the
// share of the 100 photos/s ceiling that one photo per tick keeps).
inline void ReportStepTimes(benchmark::State& state, const std::vector<double>& stepTimes) {
    const double median = Quantile(stepTimes, 0.5);
    state.counters["median_us"] = median;
    state.counters["p90_us"] = Quantile(stepTimes, 0.9);
    state.counters["max_us"] = Quantile(stepTimes, 1.0);
    state.counters["tick_share_pct"] = 100.0 * 10.0 / (10.0 + median / 1000.0);
}

// Runs the rename `step` until `worker` has no file queued, and returns how
// long the last of those steps took, in microseconds: with a reader thread
// the steps before it has read the file take nothing, so the step that
// renames is the one timed.
template <typename Step, typename Worker> double TimeStepUntilTaken(Step& step, Worker& worker) {
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
// is taken are run and the last timed (TimeStepUntilTaken), and then, outside
// the timing, `undo(i)` gives the photo its old name back, returning what went
// wrong (the step left it alone, say) or the empty text. A failed undo ends
// the benchmark with that text. Reports the step times and the photos'
// count.
template <typename Step, typename Worker>
void TimeRenamesInTurn(benchmark::State& state, Step& step, Worker& worker, std::size_t count,
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

        const double elapsed = TimeStepUntilTaken(step, worker);

        state.PauseTiming();
        stepTimes.push_back(elapsed);
        if (const std::string failure = undo(photo); !failure.empty()) {
            state.SkipWithError(failure.c_str());
            break;
        }
        state.ResumeTiming();
    }
    ReportStepTimes(state, stepTimes);
    state.counters["photos"] = static_cast<double>(count);
    state.SetItemsProcessed(state.iterations());
}

// The program beside the bench/ folder this benchmark runs from.
inline std::string ProgramBesideBenchmarks() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return (self.parent_path().parent_path() / "Kelvara").string();
}

// A benchmark program's main that runs the program: --kelvara=PATH names it
// (into `program`), by default the one beside the benchmarks.
inline int RunBenchmarksOnProgram(int argc, char** argv, std::string& program);

// A benchmark program's main: `ownOption` sees each argument first and
// takes it by returning true; Google Benchmark gets the rest.
inline int RunBenchmarks(int argc, char** argv,
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

inline int RunBenchmarksOnProgram(int argc, char** argv, std::string& program) {
    program = ProgramBesideBenchmarks();
    return RunBenchmarks(argc, argv, [&](const std::string& arg) {
        if (arg.rfind("--kelvara=", 0) != 0)
            return false;
        program = arg.substr(10);
        return true;
    });
}

} // namespace kelvara::bench
