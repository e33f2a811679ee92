// Escape on a real X server stops a long run of renames at once, whichever
// window has the focus: the program reads the whole display's keyboard.

#include "support/KelvaraProcess.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QStandardPaths>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

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
    ASSERT_TRUE(waitUntil([&] { return renamedCount(photos) >= 30; }));

    xdotool({"keydown", "Escape"});
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    xdotool({"keyup", "Escape"});
    const std::size_t atRelease = renamedCount(photos);
    // Long enough for dozens of ticks: none of them may rename anything more.
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    const std::size_t later = renamedCount(photos);
    EXPECT_LE(later, atRelease + 2);
    EXPECT_LT(later, static_cast<std::size_t>(Count / 2));
    EXPECT_EQ(kelvara.terminate(), 0);
    // Nothing was lost on the way: every photo is still there, once.
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(photos))
        ++files;
    EXPECT_EQ(files, static_cast<std::size_t>(Count));
}
