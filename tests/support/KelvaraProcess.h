// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The real Kelvara executable, run as a separate process from a private copy
// in a test's folder: its state file then lands beside that copy, and its
// runtime folder (instance lock, handoff socket) is the test's own, so tests
// running side by side never meet.
//
// It runs with its debug lines on (QT_LOGGING_RULES="kelvara.*.debug=true")
// and its standard error on a pipe that the test reads: a test waits for the
// line of the point it needs the program to have passed (the window shown, a
// file renamed or kept, the queues empty) instead of for time. The lines are
// written where the program passes those points; each says which lines
// tests rely on.

#include "support/PipeLines.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <chrono>
#include <filesystem>
#include <memory>

namespace kelvara::test {

class KelvaraProcess {
public:
    // Copies build/Kelvara into `folder` (once) and prepares its environment:
    // XDG_RUNTIME_DIR = folder/run; the display as the test has it.
    explicit KelvaraProcess(const std::filesystem::path& folder);
    ~KelvaraProcess();

    void start(const QStringList& args, const std::filesystem::path& workingDir);
    // A command that the program is started through, its own path and
    // arguments following (e.g. setpriv to run it as another user).
    void setLauncher(const QStringList& launcher) { m_launcher = launcher; }
    // Ends the process with SIGKILL, as a crash or the OOM killer would, and
    // waits for it to be gone.
    void kill();
    // Sends SIGTERM and waits (bounded) for the process to end; its exit code.
    int terminate();
    // Waits (bounded) for the process to end by itself; its exit code. (Once
    // these return, log() holds every line the process wrote.)
    int waitForExit(int milliseconds = 60000);

    // True while the process runs. (Asks the system: QProcess learns of an
    // end only when it gets to look, and a test runs no event loop.)
    bool running();

    // What the program wrote to its standard error since the last start:
    // its debug lines ("kelvara.rename: renamed ..."); anything else it
    // writes is passed on to the test's own standard error as well.
    PipeLines& log() { return *m_log; }
    // Waits until `count` lines holding `text` have come since the last
    // start; false when the time is up or the program ended before.
    bool waitForLog(const std::string& text, std::size_t count = 1,
                    std::chrono::milliseconds timeout = std::chrono::minutes(1)) {
        return m_log->waitFor(text, count, timeout);
    }
    // How many lines holding `text` have come since the last start.
    std::size_t logCount(const std::string& text) const { return m_log->count(text); }

    const std::filesystem::path& executable() const { return m_executable; }
    std::filesystem::path stateFile() const;
    QProcessEnvironment& environment() { return m_environment; }
    QProcess& process() { return m_process; }

private:
    std::filesystem::path m_executable;
    QProcessEnvironment m_environment;
    QProcess m_process;
    QStringList m_launcher;
    std::unique_ptr<PipeLines> m_log;
};

} // namespace kelvara::test
