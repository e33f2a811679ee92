// The real program's windows on a real X server: the main window's caption,
// VERSION opening the information window, and any key closing it.

#include "support/KelvaraProcess.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QStandardPaths>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace kelvara::test;

namespace {

// xdotool's answer (its standard output, trimmed); empty when it fails.
QString xdotool(const QStringList& args) {
    QProcess process;
    process.start("xdotool", args);
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString visibleWindow(const QString& name) {
    return xdotool({"search", "--onlyvisible", "--name", name}).section('\n', 0, 0);
}

} // namespace

TEST(Windows, VersionOpensTheInformationWindowAndAnyKeyClosesIt) {
    if (std::getenv("DISPLAY") == nullptr || QStandardPaths::findExecutable("xdotool").isEmpty())
        GTEST_SKIP() << "needs an X display and xdotool";
    TempDir temp;
    KelvaraProcess kelvara(temp.path() / "app");
    kelvara.environment().remove("QT_QPA_PLATFORM");
    kelvara.start({}, temp.path());

    QString main;
    ASSERT_TRUE(waitUntil(
        [&] {
            main = visibleWindow("^Kelvara Ver\\.0\\.8\\.4\\.24 - MainForm$");
            return !main.isEmpty();
        },
        30000));

    // VERSION sits at the top left of the window's content.
    xdotool({"mousemove", "--window", main, "45", "25", "click", "1"});
    QString info;
    ASSERT_TRUE(waitUntil(
        [&] {
            info = visibleWindow("^Kelvara Ver\\.0\\.8\\.4\\.24 - InfoForm$");
            return !info.isEmpty();
        },
        30000));

    xdotool({"windowfocus", "--sync", info});
    xdotool({"key", "--window", info, "a"});
    EXPECT_TRUE(
        waitUntil([&] { return visibleWindow("Kelvara Ver.* - InfoForm$").isEmpty(); }, 10000));
    // The main window is still there, and ends normally.
    EXPECT_FALSE(visibleWindow("Kelvara Ver.* - MainForm$").isEmpty());
    EXPECT_EQ(kelvara.terminate(), 0);
}
