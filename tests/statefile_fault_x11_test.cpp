// The state file's folder becomes read-only while the program runs: at its
// end the program says so in one error box titled "Kelvara", ends normally
// once the box is answered, and the previous state file is left exactly as
// it was, with no temporary file beside it.

#include "support/KelvaraProcess.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QStandardPaths>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace kelvara::test;
namespace fs = std::filesystem;

namespace {

// The lines xdotool prints (window ids, one a line); empty when it found none
// or did not finish within `milliseconds`.
QStringList xdotool(const QStringList& args, int milliseconds = 10000) {
    QProcess process;
    process.start("xdotool", args);
    if (!process.waitForFinished(milliseconds)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

// Makes a folder read-only for as long as it lives. Permissions do not stop
// root, so there the folder is made immutable (chattr +i): nothing in it
// can be created, removed or renamed, which is what a read-only folder
// means to the state file's update.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(fs::path folder) : m_folder(std::move(folder)) {
        if (::geteuid() != 0) {
            fs::permissions(
                m_folder, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                fs::perm_options::remove);
            m_done = true;
        } else {
            m_done = chattr("+i");
            m_immutable = m_done;
        }
    }
    ~ReadOnlyFolder() {
        if (m_immutable)
            chattr("-i");
        else if (m_done)
            fs::permissions(m_folder, fs::perms::owner_write, fs::perm_options::add);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
    bool done() const { return m_done; }

private:
    bool chattr(const char* change) const {
        QProcess process;
        process.start("chattr", {change, QString::fromStdString(m_folder.string())});
        return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }

    fs::path m_folder;
    bool m_done = false;
    bool m_immutable = false;
};

std::vector<std::string> entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(StateFileFault, AReadOnlyFolderGivesOneErrorBoxAndKeepsThePreviousFile) {
    if (std::getenv("DISPLAY") == nullptr || QStandardPaths::findExecutable("xdotool").isEmpty())
        GTEST_SKIP() << "needs an X display and xdotool";
    TempDir temp;
    const fs::path app = temp.path() / "app";
    KelvaraProcess kelvara(app);
    // QProcess passes the test's environment on: the real display, no
    // offscreen platform.
    kelvara.environment().remove("QT_QPA_PLATFORM");

    // A first run leaves a state file the normal way.
    kelvara.start({}, temp.path());
    ASSERT_TRUE(kelvara.waitForLog("kelvara.app: main window shown"));
    ASSERT_EQ(kelvara.terminate(), 0);
    ASSERT_EQ(kelvara.logCount("kelvara.app: state saved"), 1u);
    const std::string previous = readFile(kelvara.stateFile());
    ASSERT_FALSE(previous.empty());
    const auto before = entries(app);

    kelvara.start({}, temp.path());
    ASSERT_TRUE(kelvara.waitForLog("kelvara.app: main window shown"));
    const ReadOnlyFolder readOnly(app);
    if (!readOnly.done())
        GTEST_SKIP() << "cannot make a folder read-only here";

    // Ending it tries to save the state: the box comes up and waits. The
    // program says so just before it shows the box; xdotool waits until the
    // box is on the screen (visible ones only: Qt keeps a hidden window of
    // the program's name).
    ::kill(static_cast<pid_t>(kelvara.process().processId()), SIGTERM);
    ASSERT_TRUE(kelvara.waitForLog("kelvara.app: state not saved")) << kelvara.log().tail();
    const QStringList boxes =
        xdotool({"search", "--sync", "--onlyvisible", "--name", "^Kelvara$"}, 30000);
    ASSERT_EQ(boxes.size(), 1) << "one error box";
    EXPECT_TRUE(kelvara.running()) << "the box waits for an answer";

    xdotool({"windowfocus", "--sync", boxes.front()});
    xdotool({"key", "Return"});
    EXPECT_EQ(kelvara.waitForExit(20000), 0);
    // One failed save, one box; nothing was saved after all.
    EXPECT_EQ(kelvara.logCount("kelvara.app: state not saved"), 1u) << "one error box";
    EXPECT_EQ(kelvara.logCount("kelvara.app: state saved"), 0u);

    EXPECT_EQ(readFile(kelvara.stateFile()), previous);
    EXPECT_EQ(entries(app), before) << "no temporary file is left";
}
