// Several real copies of the program on one runtime folder: a later launch
// hands its paths to the running copy and ends; none of its paths is lost,
// whether the running copy is still starting, busy or ending.

#include "support/KelvaraProcess.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

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
    ASSERT_TRUE(waitUntil(
        [&] { return fs::exists(app / "run" / "{352854AC-DD94-4694-8C57-0331489F7656}"); }));

    KelvaraProcess second(app);
    second.start({QString::fromStdString((photos / names[0]).string()), "sub/relative.jpg"},
                 temp.path() / "elsewhere");
    EXPECT_EQ(second.waitForExit(15000), 0);
    EXPECT_TRUE(waitUntil([&] { return allRenamed(photos, names); }));
    EXPECT_TRUE(
        waitUntil([&] { return fs::exists(app / "cwd" / "sub" / renamed("relative.jpg")); }));
    EXPECT_TRUE(fs::exists(temp.path() / "elsewhere" / "sub" / "relative.jpg"));

    // A launch with nothing to hand over only asks for the window; it ends.
    // It needs no display at all: it never makes a window of its own.
    KelvaraProcess third(app);
    third.environment().remove("DISPLAY");
    third.environment().remove("WAYLAND_DISPLAY");
    third.environment().remove("QT_QPA_PLATFORM");
    third.start({}, temp.path());
    EXPECT_EQ(third.waitForExit(15000), 0);
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
    EXPECT_TRUE(waitUntil([&] { return allRenamed(photos, names); }));
    const auto running = [&] {
        int count = 0;
        for (auto& copy : copies)
            count += copy->running() ? 1 : 0;
        return count;
    };
    EXPECT_TRUE(waitUntil([&] { return running() == 1; }, 30000));
    EXPECT_EQ(running(), 1);
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
    QProcess holder;
    holder.start("flock", {QString::fromStdString(lock.string()), "sleep", "2"});
    ASSERT_TRUE(holder.waitForStarted());
    ASSERT_TRUE(waitUntil([&] {
        return QProcess::execute("flock", {"-n", QString::fromStdString(lock.string()), "true"}) !=
               0;
    }));

    KelvaraProcess second(app);
    second.start({QString::fromStdString((photos / names[0]).string()),
                  QString::fromStdString((photos / names[1]).string())},
                 temp.path());
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_TRUE(second.running());
    EXPECT_FALSE(allRenamed(photos, names));
    // The holder ends; the waiting launch becomes the running copy itself.
    ASSERT_TRUE(holder.waitForFinished(10000));
    EXPECT_TRUE(waitUntil([&] { return allRenamed(photos, names); }));
    EXPECT_TRUE(second.running());
    EXPECT_EQ(second.terminate(), 0);
}
