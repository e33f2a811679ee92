// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Helpers the benchmark programs share: a temporary folder that goes with its
// contents, a child process run to its end, and order statistics of samples.

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
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

} // namespace kelvara::bench
