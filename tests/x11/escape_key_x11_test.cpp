// SPDX-License-Identifier: GPL-3.0-or-later
// Escape on a real X server stops a long run of renames at once, whichever
// window has the focus: the program reads the whole display's keyboard.

#include "support/KelvaraProcess.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

using namespace kelvara::test;
namespace fs = std::filesystem;

namespace {

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

TEST(EscapeKey, HeldDuringAThousandRenamesStopsThemWithinATickOrTwo) {
    if (std::getenv("DISPLAY") == nullptr || QStandardPaths::findExecutable("xdotool").isEmpty())
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

    // Held until a step has seen it down.
    const std::size_t emptyBefore = kelvara.logCount("kelvara.rename: queues empty");
    xdotool({"keydown", "Escape"});
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
