// SPDX-License-Identifier: GPL-3.0-or-later
// The state file's folder becomes read-only while the program runs, and the
// user is told once that the state could not be saved, whatever windows
// were open before: in one error box titled "Kelvara" when they close the
// window (the program ends normally once the box is answered), and on
// standard error, without a box, when a signal ends the program. Either
// way the previous state file is left exactly as it was, with no temporary
// file beside it.

#include "support/KelvaraProcess.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

// Last: Xlib's macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xlib.h>

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

// Waits (xdotool does) until one visible window of that name is on the
// screen; its id, or empty.
QString shownWindow(const QString& name) {
    const QStringList found = xdotool({"search", "--sync", "--onlyvisible", "--name", name}, 30000);
    return found.size() == 1 ? found.front() : QString();
}

// What the close box of a window manager does: asks the window to close
// (WM_DELETE_WINDOW), which the program takes as the user's own close.
bool closeWindow(const QString& window) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window.toULong();
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(display, window.toULong(), False, NoEventMask, &event) != 0;
    XSync(display, False);
    XCloseDisplay(display);
    return sent;
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

// The folder's entries, but the side files SQLite keeps beside the open
// history while the program runs (they are the database's, not the state
// file's).
std::vector<std::string> entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name == "kelvara-history.sqlite-wal" || name == "kelvara-history.sqlite-shm")
            continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

const QString MainWindow = QStringLiteral("^Kelvara Ver.* - MainForm$");
const QString InfoWindow = QStringLiteral("^Kelvara Ver.* - InfoForm$");
const QString ErrorBox = QStringLiteral("^Kelvara$");

class StateFileFault : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr ||
            QStandardPaths::findExecutable("xdotool").isEmpty())
            GTEST_SKIP() << "needs an X display and xdotool";
        // QProcess passes the test's environment on: the real display, no
        // offscreen platform.
        kelvara.environment().remove("QT_QPA_PLATFORM");
        // A first run leaves a state file the normal way.
        kelvara.start({}, temp.path());
        ASSERT_TRUE(kelvara.waitForLog("kelvara.app: main window shown"));
        ASSERT_EQ(kelvara.terminate(), 0);
        ASSERT_EQ(kelvara.logCount("kelvara.app: state saved"), 1u);
        previous = readFile(kelvara.stateFile());
        ASSERT_FALSE(previous.empty());
        before = entries(app);
    }

    // Starts the program and waits for its window; its id.
    QString startAndShow() {
        kelvara.start({}, temp.path());
        const QString main = shownWindow(MainWindow);
        EXPECT_FALSE(main.isEmpty()) << kelvara.log().tail();
        return main;
    }

    // Opens the information window with VERSION and closes it with a key.
    void openAndCloseTheInformationWindow(const QString& main) {
        xdotool({"mousemove", "--window", main, "45", "25", "click", "1"});
        const QString info = shownWindow(InfoWindow);
        ASSERT_FALSE(info.isEmpty()) << kelvara.log().tail();
        xdotool({"windowfocus", "--sync", info});
        xdotool({"key", "a"});
        ASSERT_TRUE(kelvara.waitForLog("kelvara.info: information window closed"))
            << kelvara.log().tail();
    }

    // The lines on standard error that tell of the failed save: those of
    // the program's own category that name the state file, its debug lines
    // aside.
    std::size_t toldOnStandardError() {
        const std::string file = kelvara.stateFile().string();
        const auto lines = kelvara.log().lines();
        return static_cast<std::size_t>(
            std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
                return line.starts_with("kelvara.app: ") &&
                       line.find("state not saved") == std::string::npos &&
                       line.find(file) != std::string::npos;
            }));
    }

    void expectThePreviousFileKept() {
        EXPECT_EQ(readFile(kelvara.stateFile()), previous);
        EXPECT_EQ(entries(app), before) << "no temporary file is left";
    }

    TempDir temp;
    fs::path app = temp.path() / "app";
    KelvaraProcess kelvara{app};
    std::string previous;
    std::vector<std::string> before;
};

} // namespace

TEST_F(StateFileFault, ClosingTheWindowGivesOneErrorBoxAfterAnyWindowsAndKeepsThePreviousFile) {
    for (const bool infoFirst : {false, true}) {
        SCOPED_TRACE(infoFirst ? "after the information window" : "straight away");
        const QString main = startAndShow();
        ASSERT_FALSE(main.isEmpty());
        if (infoFirst)
            openAndCloseTheInformationWindow(main);
        const ReadOnlyFolder readOnly(app);
        if (!readOnly.done())
            GTEST_SKIP() << "cannot make a folder read-only here";

        // The user closes the window: the box comes up and waits. The program
        // says so just before it shows the box; xdotool waits until the box is
        // on the screen (visible ones only: Qt keeps a hidden window of the
        // program's name).
        ASSERT_TRUE(closeWindow(main));
        ASSERT_TRUE(kelvara.waitForLog("kelvara.app: state not saved")) << kelvara.log().tail();
        const QString box = shownWindow(ErrorBox);
        ASSERT_FALSE(box.isEmpty()) << "one error box";
        EXPECT_TRUE(kelvara.running()) << "the box waits for an answer";

        xdotool({"windowfocus", "--sync", box});
        xdotool({"key", "Return"});
        EXPECT_EQ(kelvara.waitForExit(20000), 0);
        // One failed save, one box; nothing was saved after all, and nothing
        // went to standard error besides.
        EXPECT_EQ(kelvara.logCount("kelvara.app: state not saved"), 1u);
        EXPECT_EQ(kelvara.logCount("kelvara.app: state saved"), 0u);
        EXPECT_EQ(toldOnStandardError(), 0u);
        expectThePreviousFileKept();
    }
}

TEST_F(StateFileFault, ASignalTellsTheFailedSaveOnStandardErrorWithoutABoxAfterAnyWindows) {
    for (const bool infoFirst : {false, true}) {
        SCOPED_TRACE(infoFirst ? "after the information window" : "straight away");
        const QString main = startAndShow();
        ASSERT_FALSE(main.isEmpty());
        if (infoFirst)
            openAndCloseTheInformationWindow(main);
        const ReadOnlyFolder readOnly(app);
        if (!readOnly.done())
            GTEST_SKIP() << "cannot make a folder read-only here";

        // Nobody answers anything here: the program ends by itself, as the
        // end of a desktop session needs it to.
        ::kill(static_cast<pid_t>(kelvara.process().processId()), SIGTERM);
        EXPECT_EQ(kelvara.waitForExit(20000), 0) << kelvara.log().tail();
        EXPECT_EQ(kelvara.logCount("kelvara.app: state not saved"), 1u);
        EXPECT_EQ(toldOnStandardError(), 1u) << kelvara.log().tail();
        expectThePreviousFileKept();
    }

    // Without any debug lines switched on, that line is all the program
    // says. (A sanitizer's summary may follow it.)
    kelvara.environment().remove("QT_LOGGING_RULES");
    ASSERT_FALSE(startAndShow().isEmpty());
    const ReadOnlyFolder readOnly(app);
    ::kill(static_cast<pid_t>(kelvara.process().processId()), SIGHUP);
    EXPECT_EQ(kelvara.waitForExit(20000), 0);
    EXPECT_EQ(toldOnStandardError(), 1u);
    const auto lines = kelvara.log().lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.starts_with("kelvara."); }),
              1)
        << kelvara.log().tail();
}
