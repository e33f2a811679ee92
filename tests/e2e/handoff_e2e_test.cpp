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
    // The running copy works in a folder of its own, with photos of the same
    // relative names in it, in a subfolder and one level up: what later
    // launches name relative to *their* folders must never reach these.
    const fs::path cwd = app / "cwd";
    const std::vector<fs::path> decoys = {
        copyPhoto("jpg/Canon_40D.jpg", cwd / "sub", "relative.jpg"),
        copyPhoto("jpg/Canon_40D.jpg", cwd, "a.jpg"),
        copyPhoto("jpg/Canon_40D.jpg", cwd, "loose.jpg"),
        copyPhoto("jpg/Canon_40D.jpg", app, "b.jpg"),
    };
    const fs::path elsewhere = temp.path() / "elsewhere";
    copyPhoto("jpg/Canon_40D.jpg", elsewhere / "sub", "relative.jpg");
    copyPhoto("jpg/Canon_40D.jpg", elsewhere / "one", "a.jpg");
    copyPhoto("jpg/Canon_40D.jpg", elsewhere, "loose.jpg");
    copyPhoto("jpg/Canon_40D.jpg", elsewhere / "two", "b.jpg");
    fs::create_directories(elsewhere / "two" / "inner");

    KelvaraProcess first(app);
    first.start({}, cwd);
    ASSERT_TRUE(first.waitForLog("kelvara.instance: handoff endpoint listens"));
    ASSERT_TRUE(fs::exists(app / "run" / "{352854AC-DD94-4694-8C57-0331489F7656}"));

    // An absolute path with awkward characters and a relative one; ".", a
    // file through ".."; and ".." alone, each from its own working folder.
    const std::vector<std::pair<QStringList, fs::path>> launches = {
        {{QString::fromStdString((photos / names[0]).string()), "sub/relative.jpg"}, elsewhere},
        {{".", "../loose.jpg"}, elsewhere / "one"},
        {{".."}, elsewhere / "two" / "inner"},
    };
    for (const auto& [arguments, folder] : launches) {
        KelvaraProcess second(app);
        second.start(arguments, folder);
        EXPECT_EQ(second.waitForExit(15000), 0);
        EXPECT_EQ(second.logCount("kelvara.instance: handed over"), 1u) << second.log().tail();
        EXPECT_EQ(second.logCount("kelvara.app: main window shown"), 0u);
    }
    ASSERT_TRUE(first.waitForLog("kelvara.rename: renamed", 5)) << first.log().tail();
    ASSERT_TRUE(first.waitForLog("kelvara.rename: queues empty")) << first.log().tail();
    EXPECT_EQ(first.logCount("kelvara.rename: renamed"), 5u) << first.log().tail();
    EXPECT_TRUE(allRenamed(photos, names));
    EXPECT_TRUE(fs::exists(elsewhere / "sub" / renamed("relative.jpg")));
    EXPECT_TRUE(fs::exists(elsewhere / "one" / renamed("a.jpg")));
    EXPECT_TRUE(fs::exists(elsewhere / renamed("loose.jpg")));
    EXPECT_TRUE(fs::exists(elsewhere / "two" / renamed("b.jpg")));
    for (const fs::path& decoy : decoys)
        EXPECT_TRUE(fs::exists(decoy)) << decoy << " was taken for a later launch's path";

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
            // One that gave up says so, and its exit code tells it too.
            EXPECT_EQ(copy->waitForExit(30000),
                      copy->logCount("kelvara.instance: gave up") == 0 ? 0 : 1);
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

TEST_F(HandoffTest, FoldersNamedTogetherAreSearchedInTheirOrderEachOnce) {
    // `kelvara Beta Alpha Gamma Alpha`: on the running copy's own command
    // line, then from another folder through a handoff. Each list reaches
    // the worker as one batch, so it searches Alpha, Beta, Gamma, once each.
    const std::vector<std::string> order = {"Alpha", "Beta", "Gamma"};
    const fs::path own = temp.path() / "own";
    const fs::path other = temp.path() / "other";
    for (const fs::path& folder : {own, other})
        for (const std::string& name : order)
            copyPhoto("jpg/Canon_40D.jpg", folder / name, name + ".jpg");
    const QStringList named = {"Beta", "Alpha", "Gamma", "Alpha"};
    const auto searched = [](KelvaraProcess& copy, const fs::path& folder) {
        std::vector<std::string> seen;
        for (const std::string& line : copy.log().lines())
            for (const char* name : {"Alpha", "Beta", "Gamma"})
                if (line.find("kelvara.search: searched \"" + (folder / name).string() + "/\"") !=
                    std::string::npos)
                    seen.push_back(name);
        return seen;
    };

    KelvaraProcess first(app);
    first.start(named, own);
    ASSERT_TRUE(first.waitForLog("kelvara.rename: renamed", 3)) << first.log().tail();
    ASSERT_TRUE(first.waitForLog("kelvara.instance: handoff endpoint listens"));
    EXPECT_EQ(searched(first, own), order) << first.log().tail();

    KelvaraProcess second(app);
    second.start(named, other);
    EXPECT_EQ(second.waitForExit(15000), 0);
    ASSERT_TRUE(first.waitForLog("kelvara.rename: renamed", 6)) << first.log().tail();
    ASSERT_TRUE(first.waitForLog("kelvara.rename: queues empty", 2)) << first.log().tail();
    EXPECT_EQ(searched(first, other), order) << first.log().tail();
    EXPECT_EQ(first.logCount("kelvara.rename: renamed"), 6u);
    EXPECT_EQ(first.terminate(), 0);
}

TEST_F(HandoffTest, ARuntimeFolderTooDeepForASocketNameStillTakesLaterLaunches) {
    // A socket's path holds at most 107 bytes; this folder's path alone is
    // longer. The socket is reached through the open folder instead.
    fs::path deep = app / "run";
    while (deep.string().size() < 200)
        deep /= "a-runtime-folder-deep-down";
    fs::create_directories(deep);
    fs::permissions(deep, fs::perms::owner_all, fs::perm_options::replace);
    const auto names = makePhotos("deep", 1);

    KelvaraProcess first(app);
    first.environment().insert("XDG_RUNTIME_DIR", QString::fromStdString(deep.string()));
    first.start({}, temp.path());
    ASSERT_TRUE(first.waitForLog("kelvara.instance: handoff endpoint listens"))
        << first.log().tail();
    EXPECT_TRUE(fs::exists(deep / "{352854AC-DD94-4694-8C57-0331489F7656}"));

    KelvaraProcess second(app);
    second.environment().insert("XDG_RUNTIME_DIR", QString::fromStdString(deep.string()));
    second.start({QString::fromStdString((photos / names[0]).string())}, temp.path());
    EXPECT_EQ(second.waitForExit(15000), 0) << second.log().tail();
    EXPECT_EQ(second.logCount("kelvara.instance: handed over"), 1u) << second.log().tail();
    ASSERT_TRUE(first.waitForLog("kelvara.rename: renamed")) << first.log().tail();
    EXPECT_TRUE(allRenamed(photos, names));
    EXPECT_EQ(first.terminate(), 0);
    EXPECT_FALSE(fs::exists(deep / "{352854AC-DD94-4694-8C57-0331489F7656}"));
}

TEST_F(HandoffTest, ACopyWithoutEndpointLetsTheLockGoSoLaterLaunchesRenameOnTheirOwn) {
    // Something that is no socket and cannot be cleared away (a folder)
    // holds the socket's name: the running copy cannot listen.
    fs::create_directories(app / "run" / "{352854AC-DD94-4694-8C57-0331489F7656}");
    const auto names = makePhotos("alone", 1);

    KelvaraProcess first(app);
    first.start({}, temp.path());
    ASSERT_TRUE(first.waitForLog("kelvara.app: later launches cannot hand their files"))
        << first.log().tail();
    ASSERT_TRUE(first.waitForLog("kelvara.app: main window shown"));

    // Not kept waiting: the launch runs at once as a copy of its own.
    KelvaraProcess second(app);
    second.start({QString::fromStdString((photos / names[0]).string())}, temp.path());
    ASSERT_TRUE(second.waitForLog("kelvara.rename: renamed")) << second.log().tail();
    EXPECT_TRUE(allRenamed(photos, names));
    EXPECT_EQ(second.logCount("kelvara.instance: running copy not reached"), 0u);
    EXPECT_TRUE(first.running());
    EXPECT_EQ(second.terminate(), 0);
    EXPECT_EQ(first.terminate(), 0);
}

TEST_F(HandoffTest, ALaunchThatGivesUpHandingOverSaysSoAndFails) {
    // The lock stays held by something that never listens.
    fs::create_directories(app / "run");
    fs::permissions(app / "run", fs::perms::owner_all, fs::perm_options::replace);
    const fs::path lock = app / "run" / "{352854AC-DD94-4694-8C57-0331489F7656}.lock";
    QProcess holder;
    holder.start("flock",
                 {QString::fromStdString(lock.string()), "sh", "-c", "echo held; read go"});
    ASSERT_TRUE(holder.waitForStarted());
    while (!holder.canReadLine())
        ASSERT_TRUE(holder.waitForReadyRead(30000));
    const auto names = makePhotos("lost", 1);

    KelvaraProcess second(app);
    second.environment().remove("QT_LOGGING_RULES");
    second.start({QString::fromStdString((photos / names[0]).string())}, temp.path());
    EXPECT_EQ(second.waitForExit(30000), 1);
    EXPECT_EQ(second.logCount("Kelvara: the running copy did not answer; these were not renamed"),
              1u)
        << second.log().tail();
    EXPECT_EQ(second.logCount("  " + (photos / names[0]).string()), 1u) << second.log().tail();
    EXPECT_TRUE(fs::exists(photos / names[0]));
    holder.write("go\n");
    EXPECT_TRUE(holder.waitForFinished(10000));
}

TEST_F(HandoffTest, TheInstanceLockGoesLastOnceTheWorkerAndTheMetadataLibraryHaveStopped) {
    // Until the lock goes, a later launch waits rather than starts a copy
    // of its own beside one that is still shutting down.
    const auto names = makePhotos("last", 1);
    KelvaraProcess kelvara(app);
    kelvara.start({QString::fromStdString(photos.string())}, temp.path());
    ASSERT_TRUE(kelvara.waitForLog("kelvara.rename: renamed")) << kelvara.log().tail();
    EXPECT_EQ(kelvara.terminate(), 0);
    const auto lines = kelvara.log().lines();
    const auto at = [&](const std::string& text) {
        return std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        });
    };
    const auto released = at("kelvara.instance: instance lock released");
    ASSERT_NE(released, lines.end()) << kelvara.log().tail();
    for (const char* before : {"kelvara.app: state saved", "kelvara.search: search worker stopped",
                               "kelvara.app: metadata library stopped"}) {
        const auto line = at(before);
        EXPECT_NE(line, lines.end()) << before;
        EXPECT_LT(line, released) << before << "\n" << kelvara.log().tail();
    }
}
