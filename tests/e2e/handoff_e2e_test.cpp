// SPDX-License-Identifier: GPL-3.0-or-later
// Several real copies of the program on one runtime folder: a later launch
// hands its paths to the running copy and ends; none of its paths is lost,
// whether the running copy is still starting, busy or ending.

#include "support/KelvaraProcess.h"
#include "support/TempDir.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

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

TEST_F(HandoffTest, WithoutAPrivateRuntimeFolderTheCopyRunsAloneRenamesAndSaysWhyOnce) {
    // No XDG_RUNTIME_DIR (su, sudo, cron), and the folder of our name in the
    // temporary folder is taken: by another user, by a link, by a file. The
    // copy counts as the first, never uses nor follows what it found, and
    // says once why later launches cannot reach it.
    const std::string own = "kelvara-" + std::to_string(::geteuid());
    struct Case {
        const char* what;
        const char* reason;
        std::function<void(const fs::path& taken, const fs::path& elsewhere)> take;
        std::function<void(const fs::path& taken, const fs::path& elsewhere)> untouched;
    };
    const std::vector<Case> cases = {
        {"another user's folder", "belongs to another user",
         [](const fs::path& taken, const fs::path&) {
             fs::create_directory(taken);
             ASSERT_EQ(::chown(taken.c_str(), 65534, 65534), 0);
         },
         [](const fs::path& taken, const fs::path&) {
             struct stat info {};
             ASSERT_EQ(::lstat(taken.c_str(), &info), 0);
             EXPECT_EQ(info.st_uid, 65534u);
             EXPECT_TRUE(fs::is_empty(taken));
         }},
        {"a link to a folder of ours", "is a link",
         [](const fs::path& taken, const fs::path& elsewhere) {
             fs::create_directory(elsewhere);
             fs::permissions(elsewhere, fs::perms::owner_all, fs::perm_options::replace);
             fs::create_directory_symlink(elsewhere, taken);
         },
         [](const fs::path& taken, const fs::path& elsewhere) {
             EXPECT_TRUE(fs::is_symlink(taken));
             EXPECT_TRUE(fs::is_empty(elsewhere)) << "the link was followed";
         }},
        {"a file", "is no folder",
         [](const fs::path& taken, const fs::path&) { writeFile(taken, "someone's"); },
         [](const fs::path& taken, const fs::path&) { EXPECT_EQ(readFile(taken), "someone's"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (std::string(c.what) == "another user's folder" && ::geteuid() != 0) {
            ADD_FAILURE() << "needs root to give a folder to another user; case not run";
            continue;
        }
        TempDir run;
        const fs::path tmp = run.path() / "tmp";
        fs::create_directory(tmp);
        const fs::path taken = tmp / own;
        const fs::path elsewhere = run.path() / "elsewhere";
        c.take(taken, elsewhere);
        const std::string photo = copyPhoto("jpg/Canon_40D.jpg", run.path() / "photos", "a.jpg");

        KelvaraProcess kelvara(run.path() / "app");
        kelvara.environment().remove("XDG_RUNTIME_DIR");
        kelvara.environment().insert("TMPDIR", QString::fromStdString(tmp.string()));
        kelvara.start({QString::fromStdString(photo)}, run.path());
        ASSERT_TRUE(kelvara.waitForLog("kelvara.rename: renamed")) << kelvara.log().tail();
        EXPECT_TRUE(fs::exists(run.path() / "photos" / renamed("a.jpg")));
        const std::string why = "kelvara.app: later launches cannot hand their files to this copy";
        EXPECT_EQ(kelvara.logCount(why), 1u) << kelvara.log().tail();
        const auto lines = kelvara.log().lines();
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [&](const std::string& line) {
                                    return line.find(why) != std::string::npos &&
                                           line.find(c.reason) != std::string::npos;
                                }),
                  1)
            << kelvara.log().tail();
        EXPECT_EQ(kelvara.logCount("kelvara.instance: handoff endpoint listens"), 0u);
        EXPECT_EQ(kelvara.terminate(), 0);
        c.untouched(taken, elsewhere);
    }
}

TEST_F(HandoffTest, WhyLaterLaunchesCannotHandOverIsSaidWithoutDebugLinesToo) {
    const fs::path tmp = temp.path() / "tmp";
    fs::create_directory(tmp);
    writeFile(tmp / ("kelvara-" + std::to_string(::geteuid())), "");
    KelvaraProcess kelvara(app);
    kelvara.environment().remove("XDG_RUNTIME_DIR");
    kelvara.environment().insert("TMPDIR", QString::fromStdString(tmp.string()));
    kelvara.environment().remove("QT_LOGGING_RULES");
    kelvara.start({}, temp.path());
    ASSERT_TRUE(
        kelvara.waitForLog("kelvara.app: later launches cannot hand their files to this copy"))
        << kelvara.log().tail();
    EXPECT_EQ(kelvara.terminate(), 0);
    // That line is all the program says. (A sanitizer's summary may follow.)
    const auto lines = kelvara.log().lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.starts_with("kelvara."); }),
              1)
        << kelvara.log().tail();
}
