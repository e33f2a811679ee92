#include "support/KelvaraProcess.h"

#include <chrono>
#include <signal.h>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace kelvara::test {

KelvaraProcess::KelvaraProcess(const fs::path& folder)
    : m_executable(folder / "Kelvara"), m_environment(QProcessEnvironment::systemEnvironment()) {
    fs::create_directories(folder / "run");
    fs::permissions(folder / "run", fs::perms::owner_all, fs::perm_options::replace);
    if (!fs::exists(m_executable))
        fs::copy_file(KELVARA_EXE, m_executable);
    m_environment.insert("XDG_RUNTIME_DIR", QString::fromStdString((folder / "run").string()));
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
}

KelvaraProcess::~KelvaraProcess() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
}

void KelvaraProcess::start(const QStringList& args, const fs::path& workingDir) {
    m_process.setProcessEnvironment(m_environment);
    m_process.setWorkingDirectory(QString::fromStdString(workingDir.string()));
    const QString program = QString::fromStdString(m_executable.string());
    if (m_launcher.isEmpty())
        m_process.start(program, args);
    else
        m_process.start(m_launcher.front(), m_launcher.mid(1) + QStringList{program} + args);
    if (!m_process.waitForStarted(30000))
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
}

int KelvaraProcess::waitForExit(int milliseconds) {
    if (!m_process.waitForFinished(milliseconds) && m_process.state() != QProcess::NotRunning)
        throw std::runtime_error("Kelvara did not end");
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

bool waitUntil(const std::function<bool()>& done, int milliseconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

} // namespace kelvara::test
