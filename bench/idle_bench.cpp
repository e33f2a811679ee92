// SPDX-License-Identifier: GPL-3.0-or-later
// What the real program costs while it waits with its window open and
// nothing queued, before and after a run, and the pace of that run, measured
// from outside as a user's system would see it:
//
//   wakeups_per_s  context switches (voluntary and involuntary) of all the
//                  program's threads, summed over /proc/PID/task/*/status,
//                  per second of a 10 s wait; at most 5 is the target
//   cpu_pct        user and system time of the process (/proc/PID/stat) per
//                  second of the same wait, in percent of one core; at most
//                  0.1
//   photos_per_s   a run of 1,500 copies of a small JPEG handed over by a
//                  second launch, from the first rename to the last, as the
//                  renamed files' inode change times tell (so that nothing
//                  watches the run while it goes); at least 96, never above
//                  100
//
// Only the program's own window-and-pacing lines are switched on ("main
// window shown", "pacing idle"): reading a line per photo as it comes would
// cost this machine's two cores enough to slow the run it measures.
// The program is build/Kelvara beside the bench/ folder this program runs
// from (--kelvara=PATH names another), run from a copy in a temporary folder
// with a runtime folder of its own. It shows its window on the display this
// benchmark has (run it under xvfb-run, or an X session), else offscreen.

#include "BenchSupport.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using kelvara::test::TempDir;
using kelvara::test::waitProcess;

namespace {

std::string KelvaraPath;
constexpr int PhotoCount = 1500;
constexpr auto IdleSpan = std::chrono::seconds(10);

// The program's debug lines as they arrive, with their time of arrival.
class TLogLines {
public:
    explicit TLogLines(int fd) : m_fd(fd), m_reader([this] { Read(); }) {}
    ~TLogLines() {
        m_reader.join();
        ::close(m_fd);
    }
    TLogLines(const TLogLines&) = delete;
    TLogLines& operator=(const TLogLines&) = delete;

    // Waits until `count` lines hold `text`; false when the program ended or
    // two minutes passed.
    bool WaitFor(const std::string& text, std::size_t count = 1) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::minutes(2), [&] {
            return CountLocked(text) >= count || m_ended;
        }) && CountLocked(text) >= count;
    }

private:
    void Read() {
        std::string pending;
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
            if (got <= 0)
                break;
            const auto now = Clock::now();
            pending.append(buffer, static_cast<size_t>(got));
            std::lock_guard guard(m_mutex);
            for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
                m_lines.emplace_back(now, pending.substr(0, end));
                pending.erase(0, end + 1);
            }
            m_changed.notify_all();
        }
        std::lock_guard guard(m_mutex);
        m_ended = true;
        m_changed.notify_all();
    }
    std::size_t CountLocked(const std::string& text) const {
        std::size_t count = 0;
        for (const auto& entry : m_lines)
            count += entry.second.find(text) != std::string::npos;
        return count;
    }

    int m_fd;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::pair<Clock::time_point, std::string>> m_lines;
    bool m_ended = false;
    std::thread m_reader;
};

// Starts `args` with the environment plus `extra`, its standard error on a
// pipe; gives the process id and the pipe's reading end.
std::pair<pid_t, int> Start(const std::vector<std::string>& args,
                            const std::vector<std::string>& extra) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return {-1, -1};
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry)
        environment.emplace_back(*entry);
    for (const std::string& entry : extra)
        environment.push_back(entry);
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
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    return {pid, pipeFds[0]};
}

// A small file of /proc, whole.
std::string ReadText(const fs::path& path) {
    std::string text;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(got));
    ::close(fd);
    return text;
}

struct TProcessCounters {
    long long switches = 0;
    double cpuSeconds = 0;
    int threads = 0;
    Clock::time_point when;
};

TProcessCounters Counters(pid_t pid) {
    TProcessCounters counters;
    counters.when = Clock::now();
    const fs::path tasks = fs::path("/proc") / std::to_string(pid) / "task";
    std::error_code error;
    for (const auto& task : fs::directory_iterator(tasks, error)) {
        ++counters.threads;
        std::istringstream status(ReadText(task.path() / "status"));
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
                line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                counters.switches += std::stoll(line.substr(line.find(':') + 1));
        }
    }
    const std::string stat = ReadText(fs::path("/proc") / std::to_string(pid) / "stat");
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    long long utime = 0;
    long long stime = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14)
            utime = std::stoll(field);
        if (index == 15) {
            stime = std::stoll(field);
            break;
        }
    }
    counters.cpuSeconds =
        static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
    return counters;
}

struct TIdle {
    double wakeupsPerSecond = 0;
    double cpuPercent = 0;
    int threads = 0;
};

TIdle MeasureIdle(pid_t pid) {
    const TProcessCounters before = Counters(pid);
    std::this_thread::sleep_for(IdleSpan);
    const TProcessCounters after = Counters(pid);
    const double seconds = std::chrono::duration<double>(after.when - before.when).count();
    return {static_cast<double>(after.switches - before.switches) / seconds,
            100.0 * (after.cpuSeconds - before.cpuSeconds) / seconds, after.threads};
}

// Photos per second between the first and the last rename in `folder`, from
// the renamed files' inode change times; 0 unless every photo was renamed.
double RenameRate(const fs::path& folder) {
    std::vector<double> times;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().rfind("c", 0) == 0)
            return 0; // an old name left
        struct stat info {};
        if (::stat(entry.path().c_str(), &info) != 0)
            return 0;
        times.push_back(static_cast<double>(info.st_ctim.tv_sec) +
                        static_cast<double>(info.st_ctim.tv_nsec) / 1e9);
    }
    if (times.size() != static_cast<std::size_t>(PhotoCount))
        return 0;
    const auto [first, last] = std::minmax_element(times.begin(), times.end());
    return (PhotoCount - 1) / (*last - *first);
}

void BM_IdleAndRun(benchmark::State& state) {
    if (!fs::exists(KelvaraPath)) {
        state.SkipWithError(("no executable at " + KelvaraPath).c_str());
        return;
    }
    TempDir folder("kelvara-idle-bench");
    const fs::path app = folder.path() / "app";
    const fs::path run = folder.path() / "run";
    fs::create_directories(app);
    fs::create_directories(run);
    fs::permissions(run, fs::perms::owner_all, fs::perm_options::replace);
    const fs::path exe = app / "Kelvara";
    fs::copy_file(KelvaraPath, exe);
    const fs::path master = folder.path() / "Canon_40D.jpg";
    fs::copy_file(kelvara::test::photosDir() / "jpg" / "Canon_40D.jpg", master);
    std::vector<std::string> environment = {"XDG_RUNTIME_DIR=" + run.string(),
                                            "QT_LOGGING_RULES=kelvara.app.debug=true"};
    const char* display = std::getenv("DISPLAY");
    const bool x11 = display != nullptr && *display != '\0';
    if (!x11)
        environment.push_back("QT_QPA_PLATFORM=offscreen");

    TIdle before, after;
    double rate = 0;
    for (auto _ : state) {
        const fs::path photos = folder.path() / "photos";
        fs::remove_all(photos);
        fs::create_directories(photos);
        for (int i = 0; i < PhotoCount; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "c%05d_Canon_40D.jpg", i);
            // Copies, not links: each rename must leave its own change time.
            fs::copy_file(master, photos / name);
        }

        const auto [pid, fd] = Start({exe.string()}, environment);
        if (pid < 0) {
            state.SkipWithError("the program did not start");
            return;
        }
        {
            TLogLines log(fd);
            bool ok = log.WaitFor("kelvara.app: main window shown") &&
                      log.WaitFor("kelvara.app: pacing idle");
            // Settle: the window's first paints and the desktop's replies.
            std::this_thread::sleep_for(std::chrono::seconds(1));
            before = MeasureIdle(pid);

            // A second launch hands the folder over, as Send To would.
            const auto [second, secondFd] = Start({exe.string(), photos.string()}, environment);
            if (second >= 0) {
                TLogLines secondLog(secondFd);
                ok = ok && waitProcess(second) == 0;
            }
            // The run ends with the pacing thread idle again.
            ok = ok && log.WaitFor("kelvara.app: pacing idle", 2);
            rate = RenameRate(photos);
            ok = ok && rate > 0;
            std::this_thread::sleep_for(std::chrono::seconds(1));
            after = MeasureIdle(pid);
            ::kill(pid, SIGTERM);
            ok = waitProcess(pid) == 0 && ok;
            if (!ok) {
                state.SkipWithError("the program did not start, rename every photo or end");
                return;
            }
        }
        state.SetIterationTime(1);
    }
    state.counters["idle_before_wakeups_per_s"] = before.wakeupsPerSecond;
    state.counters["idle_before_cpu_pct"] = before.cpuPercent;
    state.counters["run_photos_per_s"] = rate;
    state.counters["idle_after_wakeups_per_s"] = after.wakeupsPerSecond;
    state.counters["idle_after_cpu_pct"] = after.cpuPercent;
    state.counters["threads"] = after.threads;
    state.counters["x11_display"] = x11;
}
BENCHMARK(BM_IdleAndRun)->UseManualTime()->Iterations(1)->Repetitions(2)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    return kelvara::test::runBenchmarksOnProgram(argc, argv, KelvaraPath);
}
