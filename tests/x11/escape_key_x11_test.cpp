// SPDX-License-Identifier: GPL-3.0-or-later
// Escape on a real X server stops a long run of renames at once, whichever
// window has the focus: the program hears the whole display's key presses,
// and the first step after the key goes down acts on it.

#include "platform/EscapeKey.h"
#include "support/KelvaraProcess.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

using namespace kelvara::test;
namespace fs = std::filesystem;

namespace {

bool haveDisplay() {
    return std::getenv("DISPLAY") != nullptr &&
           !QStandardPaths::findExecutable("xdotool").isEmpty();
}

// The application on the X server (not offscreen: the key's reader listens
// only where our windows are), made only where there is a display.
class XApp : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "escape_x11_test";
        static char* argv[] = {name, nullptr};
        if (haveDisplay())
            m_app = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<QApplication> m_app;
};
::testing::Environment* const App = ::testing::AddGlobalTestEnvironment(new XApp);

// A window of the test's own that holds the keyboard focus, so that the
// keys go neither to the program's window nor to anything of the reader's.
class FocusedWindow {
public:
    FocusedWindow() {
        m_window.setWindowTitle("another program");
        m_window.resize(200, 100);
        m_window.show();
        m_window.activateWindow();
    }
    bool active() { return QTest::qWaitForWindowActive(&m_window); }

private:
    QWidget m_window;
};

// Originals still in the folder; the rest have been renamed. (Asked name by
// name: a listing taken while files are renamed may miss or repeat one.)
std::size_t renamedSoFar(const fs::path& folder, int count) {
    std::size_t renamed = 0;
    for (int i = 0; i < count; ++i)
        renamed += !fs::exists(folder / ("IMG_" + std::to_string(i) + ".JPG"));
    return renamed;
}

std::size_t renamedCount(const fs::path& folder) {
    std::size_t renamed = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        renamed += entry.path().filename().string().rfind("2008", 0) == 0;
    return renamed;
}

void xdotool(const QStringList& args) {
    QProcess process;
    process.start("xdotool", args);
    ASSERT_TRUE(process.waitForFinished(10000));
    ASSERT_EQ(process.exitCode(), 0);
}

} // namespace

// The reader as the step uses it, no event loop running between looks: what
// the server sent when the key went down is there at the very next look.
TEST(EscapeKey, IsSeenAtTheFirstLookAfterItGoesDownWhileAnotherWindowHasTheFocus) {
    if (!haveDisplay())
        GTEST_SKIP() << "needs an X display and xdotool";
    FocusedWindow other;
    ASSERT_TRUE(other.active());
    const std::unique_ptr<kelvara::IEscapeKey> escape = kelvara::CreateEscapeKey();
    EXPECT_FALSE(escape->Pressed());

    xdotool({"keydown", "Escape"});
    EXPECT_TRUE(escape->Pressed()) << "the first look after the key went down";
    EXPECT_TRUE(escape->Pressed()) << "held down, it counts at every look";
    xdotool({"keyup", "Escape"});
    EXPECT_FALSE(escape->Pressed()) << "released";

    // A tap between two looks counts at the next one, once.
    xdotool({"key", "Escape"});
    EXPECT_TRUE(escape->Pressed());
    EXPECT_FALSE(escape->Pressed());
    // Other keys are no Escape.
    xdotool({"key", "a", "Return", "space"});
    EXPECT_FALSE(escape->Pressed());
}

TEST(EscapeKey, HeldDuringAThousandRenamesWhileAnotherWindowHasTheFocusStopsThemAtOnce) {
    if (!haveDisplay())
        GTEST_SKIP() << "needs an X display and xdotool";
    TempDir temp;
    const fs::path photos = temp.path() / "photos";
    fs::create_directories(photos);
    const std::string master = copyPhoto("jpg/Canon_40D.jpg", temp.path());
    constexpr int Count = 1500;
    for (int i = 0; i < Count; ++i)
        fs::create_hard_link(master, photos / ("IMG_" + std::to_string(i) + ".JPG"));

    KelvaraProcess kelvara(temp.path() / "app");
    kelvara.start({QString::fromStdString(photos.string())}, temp.path());
    ASSERT_TRUE(kelvara.waitForLog("kelvara.rename: renamed", 30));
    FocusedWindow other;
    ASSERT_TRUE(other.active());

    // Held until a step has seen it down.
    const std::size_t emptyBefore = kelvara.logCount("kelvara.rename: queues empty");
    // No pause after the key (the tool waits 12 ms by default).
    xdotool({"keydown", "--delay", "0", "Escape"});
    // The key is down once the tool has ended (it waits for the server as it
    // closes). A step takes far less than the tool needs to end, so the one
    // that may have been under way has renamed its file by now; the next
    // step, 10 ms on, must not rename any.
    const std::size_t renamedAtPress = renamedSoFar(photos, Count);
    const bool seen = kelvara.waitForLog("kelvara.rename: Escape pressed");
    xdotool({"keyup", "Escape"});
    ASSERT_TRUE(seen) << kelvara.log().tail();
    // The queues are empty from that step on: it renamed nothing more, nor
    // did any after it.
    ASSERT_TRUE(kelvara.waitForLog("kelvara.rename: queues empty", emptyBefore + 1))
        << kelvara.log().tail();
    const auto lines = kelvara.log().lines();
    const auto holds = [](const std::string& text) {
        return [text](const std::string& line) { return line.find(text) != std::string::npos; };
    };
    const auto escape = std::find_if(lines.begin(), lines.end(), holds("Escape pressed"));
    EXPECT_EQ(std::count_if(escape, lines.end(), holds("kelvara.rename: renamed")), 0);
    EXPECT_EQ(std::count_if(escape, lines.end(), holds("kelvara.rename: queues empty")), 1);
    // No file was renamed after the key went down.
    EXPECT_EQ(renamedSoFar(photos, Count), renamedAtPress);
    EXPECT_EQ(kelvara.terminate(), 0);
    const std::size_t renamed = kelvara.logCount("kelvara.rename: renamed");
    EXPECT_EQ(renamedCount(photos), renamed);
    EXPECT_LT(renamed, static_cast<std::size_t>(Count / 2));
    // Nothing was lost on the way: every photo is still there, once.
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(photos))
        ++files;
    EXPECT_EQ(files, static_cast<std::size_t>(Count));
}
