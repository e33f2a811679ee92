// SPDX-License-Identifier: GPL-3.0-or-later
// Fast runs against the command-line tools, side by side in one run, each on
// fresh copies of the same small sample JPEGs (tests/data/photos/jpg and
// below, copied many times under names of their own, a thousand a folder):
//
//  - BM_FastRun/10000: the real program, started as a process with the folder
//    on its command line and Fast checked in its state file, timed from the
//    launch to its "run ended" line (the step's last file); then
//    `exiv2 -r '%Y%m%d%H%M_:basename:' rename` over fresh copies, timed from
//    its launch to its end (one process, or as few as the command line
//    allows). ratio = Kelvara's rate / exiv2's; undo_rate times the undo of
//    the fast run (the history's own undo, as the window's Undo runs it).
//    The program's own figures of the run come along: the main thread's
//    longest batch and the 99th percentile of the delay of events posted to
//    it during the run (its "fast run ended" line).
//  - BM_FastRunColdCache/10000: the same with the page cache dropped before
//    each program starts (needs root; skipped otherwise).
//  - BM_FastRunQueued/100000: an idle program handed 100,000 photos by a
//    second launch: its rate from that launch, exiv2's, and the peak
//    resident memory over idle (MB).
//  - BM_Exiftool/500, BM_DefaultPace/500: fewer files; their rates.
//
// The machine may be shared: compare figures of one run, and run it more
// than once (--benchmark_repetitions).

#include "BenchSupport.h"
#include "history/History.h"
#include "history/Undo.h"

#include <benchmark/benchmark.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using kelvara::test::TempDir;

std::string KelvaraPath;

// The sample JPEGs small enough to stand for a card's thumbnails-and-all
// test set: name -> content.
const std::map<std::string, std::string>& SmallSamples() {
    static const std::map<std::string, std::string> samples = [] {
        std::map<std::string, std::string> found;
        for (const std::string& path : kelvara::test::sampleJpegs()) {
            if (fs::file_size(path) > 64 * 1024)
                continue;
            found[fs::path(path).filename().string()] = kelvara::test::readFile(path);
        }
        return found;
    }();
    return samples;
}

// Writes `count` copies into `root`, a thousand a folder; their paths.
std::vector<std::string> MakeCopies(const fs::path& root, std::size_t count) {
    const auto& samples = SmallSamples();
    std::vector<std::string> paths;
    paths.reserve(count);
    auto sample = samples.begin();
    for (std::size_t i = 0; i < count; ++i) {
        const fs::path folder = root / ("d" + std::to_string(i / 1000));
        if (i % 1000 == 0)
            fs::create_directories(folder);
        const fs::path path = folder / ("c" + std::to_string(i) + "_" + sample->first);
        std::ofstream(path, std::ios::binary) << sample->second;
        paths.push_back(path.string());
        if (++sample == samples.end())
            sample = samples.begin();
    }
    return paths;
}

// How many files below `root` no longer have the name they were copied
// under ("c<number>_...").
std::size_t Renamed(const fs::path& root) {
    std::size_t renamed = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file() && entry.path().filename().string().rfind('c', 0) != 0)
            ++renamed;
    return renamed;
}

bool DropCaches() {
    ::sync();
    std::ofstream drop("/proc/sys/vm/drop_caches");
    drop << "3\n";
    drop.flush();
    return drop.good();
}

// A child with its standard error on a pipe, read line by line.
class TChild {
public:
    TChild(const std::vector<std::string>& args, const std::vector<std::string>& extraEnvironment) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return;
        std::vector<std::string> environment;
        for (char** entry = environ; *entry != nullptr; ++entry)
            environment.emplace_back(*entry);
        environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
        std::vector<char*> argv;
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (const std::string& entry : environment)
            envp.push_back(const_cast<char*>(entry.c_str()));
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&m_pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        m_fd = fds[0];
    }
    ~TChild() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            kelvara::test::waitProcess(m_pid);
        }
        if (m_fd >= 0)
            ::close(m_fd);
    }
    TChild(const TChild&) = delete;
    TChild& operator=(const TChild&) = delete;

    pid_t Pid() const { return m_pid; }
    // Reads until a line holding `text`; that line, or nullopt at the end.
    std::optional<std::string> WaitFor(const std::string& text) {
        for (;;) {
            for (std::size_t end; (end = m_buffer.find('\n')) != std::string::npos;) {
                std::string line = m_buffer.substr(0, end);
                m_buffer.erase(0, end + 1);
                if (line.find(text) != std::string::npos)
                    return line;
            }
            char chunk[4096];
            const ssize_t got = ::read(m_fd, chunk, sizeof chunk);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return std::nullopt;
            m_buffer.append(chunk, static_cast<std::size_t>(got));
        }
    }
    // Reads to the end of its output and waits for it to end by itself;
    // its exit status.
    int Finish() {
        // No line holds a newline: this reads to the end.
        while (WaitFor("\n")) {
        }
        const int status = kelvara::test::waitProcess(m_pid);
        m_pid = -1;
        return status;
    }
    // Ends it (SIGTERM) and waits; its exit status.
    int End() {
        ::kill(m_pid, SIGTERM);
        const int status = kelvara::test::waitProcess(m_pid);
        m_pid = -1;
        return status;
    }

private:
    pid_t m_pid = -1;
    int m_fd = -1;
    std::string m_buffer;
};

// A figure from /proc/<pid>/status, in kB.
long StatusKb(pid_t pid, const std::string& key) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key + ":", 0) == 0)
            return std::strtol(line.c_str() + key.size() + 1, nullptr, 10);
    return 0;
}

// A number after `key` in a line ("longest batch 812 us").
double Figure(const std::string& line, const std::string& key) {
    const std::size_t at = line.find(key);
    return at == std::string::npos ? 0.0 : std::strtod(line.c_str() + at + key.size(), nullptr);
}

// The program in a folder of its own, its state file saying Fast or not.
struct TProgram {
    TProgram(const fs::path& folder, bool fastRuns)
        : app(folder / "app"), run(folder / "run"), fast(fastRuns) {
        fs::create_directories(app);
        fs::create_directories(run);
        fs::permissions(run, fs::perms::owner_all, fs::perm_options::replace);
        fs::copy_file(KelvaraPath, app / "Kelvara");
        std::ofstream(app / "Kelvara.ini")
            << "[MainForm.ChkFast]\nChecked=" << (fastRuns ? 1 : 0) << "\n";
        environment = {"XDG_RUNTIME_DIR=" + run.string(),
                       "QT_LOGGING_RULES=kelvara.app.debug=true"};
        const char* display = std::getenv("DISPLAY");
        if (display == nullptr || *display == '\0')
            environment.push_back("QT_QPA_PLATFORM=offscreen");
    }
    std::string Executable() const { return (app / "Kelvara").string(); }
    fs::path History() const { return app / "kelvara-history.sqlite"; }

    fs::path app;
    fs::path run;
    bool fast;
    std::vector<std::string> environment;
};

struct TProgramRun {
    double seconds = 0;
    std::string figures; // the "fast run ended" line
    bool ok = false;
};

// Starts the program on `folder` and times it to its run's end.
TProgramRun RunProgram(const TProgram& program, const fs::path& folder) {
    TProgramRun result;
    const auto start = Clock::now();
    TChild child({program.Executable(), folder.string()}, program.environment);
    if (child.Pid() < 0 || !child.WaitFor("kelvara.app: run ended"))
        return result;
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    // A fast run's figures follow its end.
    if (program.fast)
        if (auto line = child.WaitFor("kelvara.app: fast run ended"))
            result.figures = *line;
    result.ok = child.End() == 0;
    return result;
}

// exiv2 over `paths`, in as few processes as the command line allows; the
// seconds from the first launch to the last end, or nullopt.
std::optional<double> RunExiv2(const std::vector<std::string>& paths) {
    const auto start = Clock::now();
    std::size_t next = 0;
    while (next < paths.size()) {
        std::vector<std::string> args = {"exiv2", "-r", "%Y%m%d%H%M_:basename:", "rename"};
        std::size_t bytes = 0;
        for (; next < paths.size() && bytes < 1024 * 1024; ++next) {
            args.push_back(paths[next]);
            bytes += paths[next].size() + 1;
        }
        TChild child(args, {});
        if (child.Pid() < 0 || child.Finish() < 0)
            return std::nullopt;
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void ReportProgramFigures(benchmark::State& state, const std::string& figures) {
    state.counters["longest_batch_ms"] = Figure(figures, "longest batch ") / 1000.0;
    state.counters["input_delay_p99_ms"] = Figure(figures, "input delay p99 ") / 1000.0;
    state.counters["input_delay_max_ms"] = Figure(figures, "us, longest ") / 1000.0;
}

bool HaveProgram(benchmark::State& state) {
    if (fs::exists(KelvaraPath))
        return true;
    state.SkipWithError(("no executable at " + KelvaraPath).c_str());
    return false;
}

void FastAgainstExiv2(benchmark::State& state, bool cold) {
    if (!HaveProgram(state))
        return;
    const auto count = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        TempDir folder("kelvara-fast-bench");
        const TProgram program(folder.path(), true);
        const fs::path photos = folder.path() / "photos";
        const fs::path copies = folder.path() / "copies";
        MakeCopies(photos, count);
        const std::vector<std::string> exiv2Paths = MakeCopies(copies, count);
        if (cold && !DropCaches()) {
            state.SkipWithError("cannot drop the page cache (not root)");
            return;
        }
        const TProgramRun kelvara = RunProgram(program, photos);
        if (cold)
            DropCaches();
        const std::optional<double> exiv2 = RunExiv2(exiv2Paths);
        if (!kelvara.ok || !exiv2) {
            state.SkipWithError("the program or exiv2 did not run to its end");
            return;
        }
        state.SetIterationTime(kelvara.seconds);
        const double rate = static_cast<double>(count) / kelvara.seconds;
        const double exiv2Rate = static_cast<double>(count) / *exiv2;
        state.counters["files"] = static_cast<double>(count);
        state.counters["renamed"] = static_cast<double>(Renamed(photos));
        state.counters["exiv2_renamed"] = static_cast<double>(Renamed(copies));
        state.counters["kelvara_per_s"] = rate;
        state.counters["exiv2_per_s"] = exiv2Rate;
        state.counters["ratio"] = rate / exiv2Rate;
        ReportProgramFigures(state, kelvara.figures);
        if (cold)
            continue;
        // The undo of the fast run, as the window's Undo runs it.
        kelvara::THistory history(program.History().string());
        const std::vector<kelvara::TRunSummary> runs = history.Runs();
        if (runs.empty())
            continue;
        const auto undoStart = Clock::now();
        const kelvara::TUndoReport report = kelvara::UndoRun(history, runs.front().id);
        const double undoSeconds = std::chrono::duration<double>(Clock::now() - undoStart).count();
        state.counters["undo_per_s"] = static_cast<double>(report.movedBack) / undoSeconds;
        state.counters["undone"] = static_cast<double>(report.movedBack);
    }
}

void BM_FastRun(benchmark::State& state) {
    FastAgainstExiv2(state, false);
}
BENCHMARK(BM_FastRun)->Arg(10000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_FastRunColdCache(benchmark::State& state) {
    FastAgainstExiv2(state, true);
}
BENCHMARK(BM_FastRunColdCache)
    ->Arg(10000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_FastRunQueued(benchmark::State& state) {
    if (!HaveProgram(state))
        return;
    const auto count = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        TempDir folder("kelvara-fast-bench");
        const TProgram program(folder.path(), true);
        const fs::path photos = folder.path() / "photos";
        const fs::path copies = folder.path() / "copies";
        MakeCopies(photos, count);
        const std::vector<std::string> exiv2Paths = MakeCopies(copies, count);

        TChild idle({program.Executable()}, program.environment);
        if (!idle.WaitFor("kelvara.app: main window shown") ||
            !idle.WaitFor("kelvara.app: pacing idle")) {
            state.SkipWithError("the program did not start");
            return;
        }
        // Settled: the window's first paints are done.
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const long idleKb = StatusKb(idle.Pid(), "VmRSS");
        const auto start = Clock::now();
        // A second launch hands the photos over, as Send To would.
        TChild second({program.Executable(), photos.string()}, program.environment);
        const bool handed = second.Pid() > 0 && second.Finish() == 0;
        const auto ended = idle.WaitFor("kelvara.app: run ended");
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const long peakKb = StatusKb(idle.Pid(), "VmHWM");
        const auto figures = idle.WaitFor("kelvara.app: fast run ended");
        if (!handed || !ended || idle.End() != 0) {
            state.SkipWithError("the program did not rename the photos handed over");
            return;
        }
        const std::optional<double> exiv2 = RunExiv2(exiv2Paths);
        state.SetIterationTime(seconds);
        const double rate = static_cast<double>(count) / seconds;
        state.counters["files"] = static_cast<double>(count);
        state.counters["renamed"] = static_cast<double>(Renamed(photos));
        state.counters["kelvara_per_s"] = rate;
        if (exiv2) {
            state.counters["exiv2_per_s"] = static_cast<double>(count) / *exiv2;
            state.counters["ratio"] = rate * *exiv2 / static_cast<double>(count);
        }
        state.counters["idle_MB"] = static_cast<double>(idleKb) / 1024.0;
        state.counters["peak_over_idle_MB"] = static_cast<double>(peakKb - idleKb) / 1024.0;
        ReportProgramFigures(state, figures.value_or(""));
    }
}
BENCHMARK(BM_FastRunQueued)
    ->Arg(100000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_Exiftool(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        TempDir folder("kelvara-fast-bench");
        const fs::path photos = folder.path() / "photos";
        MakeCopies(photos, count);
        const auto start = Clock::now();
        const int status =
            kelvara::test::runProcess({"exiftool", "-q", "-q", "-r", "-d", "%Y%m%d%H%M_%%f.%%e",
                                       "-FileName<DateTimeOriginal", photos.string()});
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (status < 0) {
            state.SkipWithError("exiftool did not run");
            return;
        }
        state.SetIterationTime(seconds);
        state.counters["files"] = static_cast<double>(count);
        state.counters["renamed"] = static_cast<double>(Renamed(photos));
        state.counters["exiftool_per_s"] = static_cast<double>(count) / seconds;
    }
}
BENCHMARK(BM_Exiftool)->Arg(500)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_DefaultPace(benchmark::State& state) {
    if (!HaveProgram(state))
        return;
    const auto count = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        TempDir folder("kelvara-fast-bench");
        const TProgram program(folder.path(), false);
        const fs::path photos = folder.path() / "photos";
        MakeCopies(photos, count);
        const TProgramRun kelvara = RunProgram(program, photos);
        if (!kelvara.ok) {
            state.SkipWithError("the program did not run to its end");
            return;
        }
        state.SetIterationTime(kelvara.seconds);
        state.counters["files"] = static_cast<double>(count);
        state.counters["renamed"] = static_cast<double>(Renamed(photos));
        state.counters["kelvara_per_s"] = static_cast<double>(count) / kelvara.seconds;
    }
}
BENCHMARK(BM_DefaultPace)->Arg(500)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return kelvara::test::runBenchmarksOnProgram(argc, argv, KelvaraPath);
}
