// Several real copies of the program on one runtime folder: a later launch
// hands its paths to the running copy and ends; none of its paths is lost,
// whether the running copy is still starting, busy or ending.

#include "support/KelvaraProcess.h"
#include "support/TempDir.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

using namespace kelvara::test;
namespace fs = std::filesystem;

namespace {

// Canon_40D.jpg renamed by the first-start options.
std::string renamed(const std::string& name) {
    return "200805301556_100x68_CanonEOS40D_" + name;
}

bool allRenamed(const fs::path& folder, const std::vector<std::string>& names) {
    for (const auto& name : names)
        if (!fs::exists(folder / renamed(name)))
            return false;
    return true;
}

class HandoffTest : public ::testing::Test {
protected:
    TempDir temp;
    fs::path app = temp.path() / "app";
    fs::path photos = temp.path() / "photos";

    std::vector<std::string> makePhotos(const std::string& prefix, int count) {
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i) {
            names.push_back(prefix + std::to_string(i) + ".jpg");
            copyPhoto("jpg/Canon_40D.jpg", photos, names.back());
        }
        return names;
    }
};

} // namespace

TEST_F(HandoffTest, ALaterLaunchHandsOverAwkwardAndRelativePathsAndEndsAtOnce) {
    const auto names = makePhotos("with space, comma \"quote\" ", 1);
    fs::create_directories(app / "cwd" / "sub");
    copyPhoto("jpg/Canon_40D.jpg", app / "cwd" / "sub", "relative.jpg");
    // The second copy's own folder holds a photo of the same relative name;
    // the running copy must take it in *its* folder, not this one.
    fs::create_directories(temp.path() / "elsewhere" / "sub");
    copyPhoto("jpg/Canon_40D.jpg", temp.path() / "elsewhere" / "sub", "relative.jpg");

    KelvaraProcess first(app);
    first.start({}, app / "cwd");
    ASSERT_TRUE(first.waitForLog("kelvara.instance: handoff endpoint listens"));
    ASSERT_TRUE(fs::exists(app / "run" / "{352854AC-DD94-4694-8C57-0331489F7656}"));

    KelvaraProcess second(app);
    second.start({QString::fromStdString((photos / names[0]).string()), "sub/relative.jpg"},
                 temp.path() / "elsewhere");
    EXPECT_EQ(second.waitForExit(15000), 0);
    EXPECT_EQ(second.logCount("kelvara.instance: handed over"), 1u);
    EXPECT_EQ(second.logCount("kelvara.app: main window shown"), 0u);
    ASSERT_TRUE(first.waitForLog("kelvara.rename: renamed", 2)) << first.log().tail();
    EXPECT_TRUE(allRenamed(photos, names));
    EXPECT_TRUE(fs::exists(app / "cwd" / "sub" / renamed("relative.jpg")));
    EXPECT_TRUE(fs::exists(temp.path() / "elsewhere" / "sub" / "relative.jpg"));

    // A launch with nothing to hand over only asks for the window; it ends.
    // It needs no display at all: it never makes a window of its own.
    KelvaraProcess third(app);
    third.environment().remove("DISPLAY");
    third.environment().remove("WAYLAND_DISPLAY");
    third.environment().remove("QT_QPA_PLATFORM");
    third.start({}, temp.path());
    EXPECT_EQ(third.waitForExit(15000), 0);
    EXPECT_EQ(third.logCount("kelvara.instance: handed over"), 1u);
    EXPECT_TRUE(first.running());
    EXPECT_EQ(first.terminate(), 0);
}

TEST_F(HandoffTest, TwentyLaunchesWhileTheFirstStartsLoseNoPathAndLeaveOneCopy) {
    const auto names = makePhotos("burst", 20);
    // No waiting for anything: the launches race the first for the lock, as
    // a file manager starting one copy per selected file does. Whichever gets
    // it is the running copy; every other one hands over and ends.
    std::vector<std::unique_ptr<KelvaraProcess>> copies;
    copies.push_back(std::make_unique<KelvaraProcess>(app));
    copies.back()->start({}, temp.path());
    for (const auto& name : names) {
        copies.push_back(std::make_unique<KelvaraProcess>(app));
        copies.back()->start({QString::fromStdString((photos / name).string())}, temp.path());
    }
    // Each copy either comes up as the running copy or hands over and ends.
    // (The first has no paths: it may also give up, after a second, on a
    // running copy that is slow to listen.)
    KelvaraProcess* running = nullptr;
    for (auto& copy : copies) {
        ASSERT_TRUE(copy->log().waitFor(
            [](const std::string& line) {
                return line.find("kelvara.app: main window shown") != std::string::npos ||
                       line.find("kelvara.instance: handed over") != std::string::npos ||
                       line.find("kelvara.instance: gave up") != std::string::npos;
            },
            1, std::chrono::seconds(30)))
            << copy->log().tail();
        if (copy != copies.front()) {
            EXPECT_EQ(copy->logCount("kelvara.instance: gave up"), 0u) << copy->log().tail();
        }
        if (copy->logCount("kelvara.app: main window shown") == 0) {
            EXPECT_EQ(copy->waitForExit(30000), 0);
        } else {
            EXPECT_EQ(running, nullptr) << "two running copies";
            running = copy.get();
        }
    }
    ASSERT_NE(running, nullptr);
    EXPECT_TRUE(running->running());
    ASSERT_TRUE(running->waitForLog("kelvara.rename: renamed", names.size()))
        << running->log().tail();
    EXPECT_TRUE(allRenamed(photos, names));
    for (auto& copy : copies)
        EXPECT_EQ(copy->terminate(), 0);
}

TEST_F(HandoffTest, ALaunchWaitingOnACopyWithoutEndpointTakesOverWhenTheLockComesFree) {
    const auto names = makePhotos("late", 2);
    // A copy that holds the lock but has no endpoint: one still starting,
    // or one ending whose endpoint is already gone.
    fs::create_directories(app / "run");
    fs::permissions(app / "run", fs::perms::owner_all, fs::perm_options::replace);
    const fs::path lock = app / "run" / "{352854AC-DD94-4694-8C57-0331489F7656}.lock";
    // It says when it holds the lock, and lets it go when told to.
    QProcess holder;
    holder.start("flock",
                 {QString::fromStdString(lock.string()), "sh", "-c", "echo held; read go"});
    ASSERT_TRUE(holder.waitForStarted());
    while (!holder.canReadLine())
        ASSERT_TRUE(holder.waitForReadyRead(30000));
    ASSERT_EQ(holder.readLine().toStdString(), "held\n");

    KelvaraProcess second(app);
    second.start({QString::fromStdString((photos / names[0]).string()),
                  QString::fromStdString((photos / names[1]).string())},
                 temp.path());
    // It keeps trying (twenty tries, a second's worth) and meanwhile does
    // nothing else.
    ASSERT_TRUE(second.waitForLog("kelvara.instance: running copy not reached", 20))
        << second.log().tail();
    EXPECT_TRUE(second.running());
    EXPECT_EQ(second.logCount("kelvara.app: main window shown"), 0u);
    EXPECT_FALSE(allRenamed(photos, names));
    // The holder ends; the waiting launch becomes the running copy itself.
    holder.write("go\n");
    ASSERT_TRUE(holder.waitForFinished(10000));
    ASSERT_TRUE(second.waitForLog("kelvara.instance: lock came free")) << second.log().tail();
    ASSERT_TRUE(second.waitForLog("kelvara.rename: renamed", 2)) << second.log().tail();
    EXPECT_TRUE(allRenamed(photos, names));
    EXPECT_TRUE(second.running());
    EXPECT_EQ(second.terminate(), 0);
}
