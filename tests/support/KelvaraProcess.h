#pragma once
// The real Kelvara executable, run as a separate process from a private copy
// in a test's folder: its state file then lands beside that copy, and its
// runtime folder (instance lock, handoff socket) is the test's own, so tests
// running side by side never meet.

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <filesystem>
#include <functional>

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
    // Waits (bounded) for the process to end by itself; its exit code.
    int waitForExit(int milliseconds = 60000);

    // True while the process runs. (Asks the system: QProcess learns of an
    // end only when it gets to look, and a test runs no event loop.)
    bool running();

    const std::filesystem::path& executable() const { return m_executable; }
    std::filesystem::path stateFile() const;
    QProcessEnvironment& environment() { return m_environment; }
    QProcess& process() { return m_process; }

private:
    std::filesystem::path m_executable;
    QProcessEnvironment m_environment;
    QProcess m_process;
    QStringList m_launcher;
};

// Polls `done` every few milliseconds for up to `milliseconds`; its last answer.
bool waitUntil(const std::function<bool()>& done, int milliseconds = 60000);

} // namespace kelvara::test
