// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/KelvaraProcess.h"

#include <signal.h>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace kelvara::test {

KelvaraProcess::KelvaraProcess(const fs::path& folder)
    : m_executable(folder / "Kelvara"), m_environment(QProcessEnvironment::systemEnvironment()) {
    fs::create_directories(folder / "run");
    fs::permissions(folder / "run", fs::perms::owner_all, fs::perm_options::replace);
    if (!fs::exists(m_executable))
        fs::copy_file(KELVARA_EXE, m_executable);
    m_environment.insert("XDG_RUNTIME_DIR", QString::fromStdString((folder / "run").string()));
    m_environment.insert("QT_LOGGING_RULES", "kelvara.*.debug=true");
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
    m_log = std::make_unique<PipeLines>(true);
    m_log->closeWriteEnd(); // no run yet: an empty log that has ended
}

KelvaraProcess::~KelvaraProcess() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
}

void KelvaraProcess::start(const QStringList& args, const fs::path& workingDir) {
    // A fresh pipe for every run: its lines, and its end when the run ends.
    m_log = std::make_unique<PipeLines>(true);
    const int logFd = m_log->writeEnd();
    m_process.setChildProcessModifier([logFd] { ::dup2(logFd, STDERR_FILENO); });
    m_process.setProcessEnvironment(m_environment);
    m_process.setWorkingDirectory(QString::fromStdString(workingDir.string()));
    const QString program = QString::fromStdString(m_executable.string());
    if (m_launcher.isEmpty())
        m_process.start(program, args);
    else
        m_process.start(m_launcher.front(), m_launcher.mid(1) + QStringList{program} + args);
    const bool started = m_process.waitForStarted(30000);
    m_log->closeWriteEnd();
    if (!started)
        throw std::runtime_error("Kelvara did not start");
}

int KelvaraProcess::terminate() {
    if (m_process.state() == QProcess::NotRunning)
        return m_process.exitCode();
    ::kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
    return waitForExit();
}

void KelvaraProcess::kill() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    ::kill(static_cast<pid_t>(m_process.processId()), SIGKILL);
    if (!m_process.waitForFinished(30000))
        throw std::runtime_error("Kelvara outlived SIGKILL");
    m_log->waitForEnd(std::chrono::seconds(30));
}

int KelvaraProcess::waitForExit(int milliseconds) {
    if (!m_process.waitForFinished(milliseconds) && m_process.state() != QProcess::NotRunning)
        throw std::runtime_error("Kelvara did not end");
    // Every line it wrote is in once the pipe has ended with it.
    m_log->waitForEnd(std::chrono::seconds(30));
    if (m_process.exitStatus() != QProcess::NormalExit)
        throw std::runtime_error("Kelvara crashed: " + m_process.errorString().toStdString());
    return m_process.exitCode();
}

bool KelvaraProcess::running() {
    if (m_process.state() == QProcess::NotRunning)
        return false;
    return !m_process.waitForFinished(20);
}

fs::path KelvaraProcess::stateFile() const {
    return m_executable.parent_path() / "Kelvara.ini";
}

} // namespace kelvara::test
