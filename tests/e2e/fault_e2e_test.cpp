// SPDX-License-Identifier: GPL-3.0-or-later
// Faults from outside while the real program works through thousands of
// photos: files that change or vanish after the search found them, folders
// that become unreadable during the search, files another process holds
// open, and the program killed outright. Whatever happens, every photo must
// still exist exactly once, in its own folder, under its old name or its new
// one, with its content unchanged.
//
// Every photo gets content of its own (a tag after the image data, which
// readers ignore), so a file is recognised by its bytes wherever it ends up.

#include "history/History.h"
#include "history/Undo.h"
#include "support/KelvaraProcess.h"
#include "support/TempDir.h"

#include <QStandardPaths>
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>
#include <thread>
#include <unistd.h>

using namespace kelvara;
using namespace kelvara::test;
namespace fs = std::filesystem;

namespace {

// Fujifilm_FinePix_E500.jpg (2 KiB, shot 2006-08-17 09:24) renamed by the
// first-start options starts with this date text.
constexpr const char* DatePrefix = "200608170924_";

std::string baseContent() {
    static const std::string content = readFile(photosDir() / "jpg/Fujifilm_FinePix_E500.jpg");
    return content;
}

bool isRenamedFrom(const std::string& name, const std::string& oldName) {
    return name.size() > oldName.size() && name.rfind(DatePrefix, 0) == 0 &&
           name.compare(name.size() - oldName.size() - 1, std::string::npos, "_" + oldName) == 0;
}

// Content -> relative path of every photo made.
using TPhotoSet = std::map<std::string, fs::path>;

// Writes `count` photos named prefix0.jpg... into root/folder.
void makePhotos(TPhotoSet& photos, const fs::path& root, const fs::path& folder,
                const std::string& prefix, int count) {
    fs::create_directories(root / folder);
    for (int i = 0; i < count; ++i) {
        const fs::path relative = folder / (prefix + std::to_string(i) + ".jpg");
        const std::string content = baseContent() + "kelvara-fault-" + relative.string();
        writeFile(root / relative, content);
        photos[content] = relative;
    }
}

// Content -> every relative path holding it, for the regular files below
// root (links are not followed: they hold no photo of their own).
std::map<std::string, std::vector<fs::path>> inventory(const fs::path& root) {
    std::map<std::string, std::vector<fs::path>> found;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.symlink_status().type() == fs::file_type::regular)
            found[readFile(entry.path())].push_back(fs::relative(entry.path(), root));
    return found;
}

// Every photo of `photos` but the `changed` ones exists exactly once, in its
// folder, under its old name or its new one; any other file stands where a
// changed one stood (or inside it). Returns how many photos were renamed.
std::size_t expectEachPhotoOnce(const fs::path& root, const TPhotoSet& photos,
                                const std::set<fs::path>& changed = {}) {
    const auto found = inventory(root);
    std::size_t renamed = 0;
    for (const auto& [content, relative] : photos) {
        if (changed.count(relative))
            continue;
        const auto it = found.find(content);
        if (it == found.end()) {
            ADD_FAILURE() << relative << " is lost";
            continue;
        }
        EXPECT_EQ(it->second.size(), 1u) << relative << " exists more than once";
        const fs::path& now = it->second.front();
        EXPECT_EQ(now.parent_path(), relative.parent_path()) << relative << " left its folder";
        const std::string name = now.filename().string();
        const std::string oldName = relative.filename().string();
        if (name != oldName) {
            EXPECT_TRUE(isRenamedFrom(name, oldName)) << relative << " became " << now;
            ++renamed;
        }
    }
    const auto standsForChanged = [&](const fs::path& path) {
        for (const fs::path& old : changed)
            if (path.parent_path() == old ||
                (path.parent_path() == old.parent_path() &&
                 (path.filename() == old.filename() ||
                  isRenamedFrom(path.filename().string(), old.filename().string()))))
                return true;
        return false;
    };
    for (const auto& [content, paths] : found) {
        if (photos.count(content))
            continue;
        for (const fs::path& path : paths) {
            EXPECT_TRUE(standsForChanged(path)) << path << " came from nowhere";
        }
    }
    return renamed;
}

std::size_t renamedIn(const fs::path& folder) {
    std::size_t renamed = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        renamed += entry.path().filename().string().rfind(DatePrefix, 0) == 0;
    return renamed;
}

class FaultTest : public ::testing::Test {
protected:
    TempDir temp;
    fs::path root = temp.path() / "photos";
    TPhotoSet photos;
};

} // namespace

TEST_F(FaultTest, PhotosDeletedReplacedOrTruncatedWhileQueuedAreSkippedAndTheRestRenamed) {
    // The bulk keeps the step busy for a good while; the late folder's
    // photos are found at once but reached only after the whole bulk.
    makePhotos(photos, root, "a_bulk", "IMG_", 1500);
    makePhotos(photos, root, "z_late", "late", 60);

    KelvaraProcess kelvara(temp.path() / "app");
    kelvara.start({QString::fromStdString((root / "a_bulk").string()),
                   QString::fromStdString((root / "z_late").string())},
                  temp.path());
    ASSERT_TRUE(kelvara.waitForLog("kelvara.rename: renamed", 20)) << kelvara.log().tail();
    ASSERT_EQ(renamedIn(root / "z_late"), 0u) << "the step reached the late folder too early";
    for (const std::string& line : kelvara.log().lines()) {
        ASSERT_FALSE(line.starts_with("kelvara.rename:") &&
                     line.find("/z_late/") != std::string::npos)
            << "the step reached the late folder too early: " << line;
    }

    std::set<fs::path> changed;
    std::map<fs::path, std::string> truncatedTo;
    const auto late = [&](int i) {
        const fs::path relative = fs::path("z_late") / ("late" + std::to_string(i) + ".jpg");
        changed.insert(relative);
        return relative;
    };
    for (int i = 0; i < 10; ++i) // deleted
        fs::remove(root / late(i));
    for (int i = 10; i < 20; ++i) { // replaced by a folder holding a photo
        const fs::path relative = late(i);
        fs::remove(root / relative);
        fs::create_directory(root / relative);
        writeFile(root / relative / "inside.jpg", baseContent() + "inside " + relative.string());
    }
    for (int i = 20; i < 30; ++i) { // emptied
        fs::resize_file(root / late(i), 0);
        truncatedTo[late(i)] = "";
    }
    for (int i = 30; i < 40; ++i) { // cut in half: the image data is gone
        const fs::path relative = late(i);
        const std::string half = readFile(root / relative).substr(0, baseContent().size() / 2);
        fs::resize_file(root / relative, half.size());
        truncatedTo[relative] = half;
    }
    for (int i = 40; i < 50; ++i) { // a dangling link in its place
        const fs::path relative = late(i);
        fs::remove(root / relative);
        fs::create_symlink(root / "nowhere.jpg", root / relative);
    }

    // late50 to late59 stay as they are. Once the queues are empty, the step
    // has been through every changed one.
    ASSERT_TRUE(kelvara.waitForLog("kelvara.rename: queues empty", 1, std::chrono::minutes(5)))
        << kelvara.log().tail();
    EXPECT_EQ(kelvara.terminate(), 0);

    EXPECT_EQ(expectEachPhotoOnce(root, photos, changed), 1510u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_FALSE(fs::exists(fs::symlink_status(root / late(i))));
    }
    for (int i = 10; i < 20; ++i) {
        EXPECT_TRUE(fs::is_directory(root / late(i)));
        // The step met a folder where it had found a file: it renames
        // nothing and searches nothing there.
        EXPECT_EQ(fileNames(root / late(i)), std::vector<std::string>{"inside.jpg"});
    }
    for (const auto& [relative, content] : truncatedTo) {
        // Whatever is left of it is one file in its folder, its bytes as the
        // other program left them; an emptied file is no photo and keeps its
        // name.
        std::vector<fs::path> holders;
        for (const auto& entry : fs::directory_iterator(root / "z_late")) {
            const std::string name = entry.path().filename().string();
            if (name == relative.filename().string() ||
                isRenamedFrom(name, relative.filename().string()))
                holders.push_back(entry.path());
        }
        ASSERT_EQ(holders.size(), 1u) << relative;
        EXPECT_EQ(readFile(holders.front()), content) << relative;
        if (content.empty()) {
            EXPECT_EQ(holders.front(), root / relative);
        }
    }
    for (int i = 40; i < 50; ++i) {
        EXPECT_TRUE(fs::is_symlink(root / late(i)));
    }
}

TEST_F(FaultTest, FoldersThatBecomeUnreadableDuringTheSearchAreSkippedAndTheRestRenamed) {
    // As root, permissions do not stop the program: it runs as nobody then,
    // so that a folder without rights is really unreadable to it.
    const bool asRoot = ::geteuid() == 0;
    if (asRoot && QStandardPaths::findExecutable("setpriv").isEmpty())
        GTEST_SKIP() << "running as root without setpriv to drop the rights";

    // Steady folders (never touched), folders that keep changing, and one
    // that is unreadable throughout, in one tree searched from its top.
    constexpr int Flipping = 60;
    for (int i = 0; i < Flipping; ++i) {
        makePhotos(photos, root, "d" + std::to_string(100 + i) + "_steady", "s", 4);
        makePhotos(photos, root, "d" + std::to_string(100 + i) + "_flip", "f", 4);
    }
    makePhotos(photos, root, "locked", "l", 10);

    KelvaraProcess kelvara(temp.path() / "app");
    if (asRoot) {
        const auto give = [](const fs::path& path) {
            ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0) << path;
        };
        fs::permissions(temp.path(),
                        fs::perms::all & ~fs::perms::group_write & ~fs::perms::others_write);
        give(temp.path() / "app");
        give(temp.path() / "app" / "run");
        give(root);
        for (const auto& entry : fs::recursive_directory_iterator(root))
            give(entry.path());
        kelvara.setLauncher({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    }
    fs::permissions(root / "locked", fs::perms::none);

    // Half the changing folders are unusable at any moment: without rights,
    // replaced by a file, or by a link to nowhere, each in turn.
    std::atomic<bool> stop{false};
    std::thread vandal([&] {
        std::mt19937 random(8);
        const auto folder = [&](int i) { return root / ("d" + std::to_string(100 + i) + "_flip"); };
        const auto spoil = [&](int i) {
            switch (i % 3) {
            case 0:
                fs::permissions(folder(i), fs::perms::none);
                break;
            case 1:
                fs::rename(folder(i), folder(i).string() + ".away");
                writeFile(folder(i), "no folder");
                break;
            default:
                fs::rename(folder(i), folder(i).string() + ".away");
                fs::create_symlink(root / "nowhere", folder(i));
                break;
            }
        };
        const auto mend = [&](int i) {
            if (i % 3 == 0) {
                fs::permissions(folder(i), fs::perms::owner_all | fs::perms::group_read |
                                               fs::perms::group_exec | fs::perms::others_read |
                                               fs::perms::others_exec);
            } else {
                fs::remove(folder(i));
                fs::rename(folder(i).string() + ".away", folder(i));
            }
        };
        std::vector<bool> spoiled(Flipping, false);
        while (!stop) {
            const int i = static_cast<int>(random() % Flipping);
            if (spoiled[i])
                mend(i);
            else
                spoil(i);
            spoiled[i] = !spoiled[i];
        }
        for (int i = 0; i < Flipping; ++i)
            if (spoiled[i])
                mend(i);
    });
    const auto steadyRenamed = [&] {
        std::size_t renamed = 0;
        for (int i = 0; i < Flipping; ++i)
            renamed += renamedIn(root / ("d" + std::to_string(100 + i) + "_steady"));
        return renamed;
    };
    kelvara.start({QString::fromStdString(root.string())}, temp.path());
    // The folders change for as long as the search runs.
    const bool searched = kelvara.waitForLog("kelvara.search: searched");
    stop = true;
    vandal.join();
    ASSERT_TRUE(searched) << kelvara.log().tail();
    // The step has reached whatever the search found in the changing ones.
    ASSERT_TRUE(kelvara.waitForLog("kelvara.rename: queues empty", 1, std::chrono::minutes(5)))
        << kelvara.log().tail();
    EXPECT_EQ(steadyRenamed(), 4u * Flipping)
        << "the search did not go on past the unreadable folders";
    EXPECT_EQ(kelvara.terminate(), 0);

    fs::permissions(root / "locked", fs::perms::owner_all);
    const std::size_t renamed = expectEachPhotoOnce(root, photos);
    EXPECT_EQ(renamedIn(root / "locked"), 0u);
    // Some changing folders were met unusable: their photos were never found.
    EXPECT_LT(renamed, 4u * Flipping * 2);
    EXPECT_GE(renamed, 4u * Flipping);
}

TEST_F(FaultTest, APhotoThatAnotherProcessHoldsOpenIsRenamedInPlace) {
    makePhotos(photos, root, "held", "open", 3);
    const fs::path reading = root / "held/open0.jpg";
    const fs::path writing = root / "held/open1.jpg";
    const fs::path locked = root / "held/open2.jpg";
    // One process reading, one appending (it writes once it is told to, after
    // the renames), and one holding an exclusive lock. It says when all three
    // are open, and when it has appended; it holds them until told to end.
    QProcess holder;
    holder.start("bash", {"-c",
                          "exec 3<\"$1\" 4>>\"$2\"; flock -x \"$3\" -c 'echo open; read line; "
                          "echo appended >&4; echo appended; read line'",
                          "holder", QString::fromStdString(reading.string()),
                          QString::fromStdString(writing.string()),
                          QString::fromStdString(locked.string())});
    ASSERT_TRUE(holder.waitForStarted());
    const auto holderSays = [&](const char* expected) {
        while (!holder.canReadLine())
            if (!holder.waitForReadyRead(30000))
                return false;
        return holder.readLine().toStdString() == std::string(expected) + "\n";
    };
    ASSERT_TRUE(holderSays("open"));

    KelvaraProcess kelvara(temp.path() / "app");
    kelvara.start({QString::fromStdString((root / "held").string())}, temp.path());
    ASSERT_TRUE(kelvara.waitForLog("kelvara.rename: queues empty")) << kelvara.log().tail();
    EXPECT_EQ(renamedIn(root / "held"), 3u);
    EXPECT_EQ(kelvara.terminate(), 0);
    EXPECT_EQ(expectEachPhotoOnce(root, photos), 3u);

    // The holder's descriptor still leads to the renamed file: renamed in
    // place, never copied.
    holder.write("go\n");
    ASSERT_TRUE(holderSays("appended"));
    std::size_t appended = 0;
    for (const auto& entry : fs::directory_iterator(root / "held"))
        if (isRenamedFrom(entry.path().filename().string(), "open1.jpg")) {
            EXPECT_TRUE(readFile(entry.path()).ends_with("appended\n"));
            ++appended;
        }
    EXPECT_EQ(appended, 1u);
    holder.write("end\n");
    EXPECT_TRUE(holder.waitForFinished(10000));
}

TEST_F(FaultTest, KilledAgainAndAgainInTheMiddleOfThousandsOfRenamesLosesNoPhoto) {
    makePhotos(photos, root, "many", "IMG_", 3000);
    KelvaraProcess kelvara(temp.path() / "app");

    // A first run ends the normal way and leaves its state file.
    kelvara.start({}, temp.path());
    ASSERT_TRUE(kelvara.waitForLog("kelvara.app: main window shown"));
    ASSERT_EQ(kelvara.terminate(), 0);
    ASSERT_EQ(kelvara.logCount("kelvara.app: state saved"), 1u);
    const std::string state = readFile(kelvara.stateFile());
    ASSERT_FALSE(state.empty());

    std::mt19937 random(3);
    std::size_t before = 0;
    for (int run = 0; run < 4; ++run) {
        kelvara.start({QString::fromStdString((root / "many").string())}, temp.path());
        const std::size_t target = before + 50 + random() % 150;
        ASSERT_TRUE(kelvara.waitForLog("kelvara.rename: renamed", target - before))
            << kelvara.log().tail();
        // At some point within a step, not just between two: a random delay
        // is the point here.
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 10000));
        kelvara.kill();
        const std::size_t renamed = expectEachPhotoOnce(root, photos);
        EXPECT_GE(renamed, target);
        EXPECT_LT(renamed, 3000u);
        before = renamed;
        // A killed run never wrote its state: the previous file is whole and
        // no temporary file is left beside it.
        EXPECT_EQ(readFile(kelvara.stateFile()), state);
        // Beside them only the history, with SQLite's own side files: a
        // killed run never leaves it damaged.
        std::size_t besideExe = 0;
        for (const auto& entry : fs::directory_iterator(temp.path() / "app")) {
            const std::string name = entry.path().filename().string();
            if (name == "kelvara-history.sqlite-wal" || name == "kelvara-history.sqlite-shm")
                continue;
            EXPECT_EQ(name.find("damaged"), std::string::npos) << name;
            ++besideExe;
        }
        EXPECT_EQ(besideExe, 4u) << "Kelvara, Kelvara.ini, run/ and the history only";
    }

    // The history, settled as the next start settles it, holds exactly the
    // renames the disk shows, and undoing every run brings each photo back
    // under its old name.
    THistory history((temp.path() / "app" / "kelvara-history.sqlite").string());
    std::size_t recorded = 0;
    const std::vector<TRunSummary> runs = history.Runs();
    EXPECT_EQ(runs.size(), 4u);
    for (const TRunSummary& run : runs) {
        EXPECT_EQ(run.ending, TRunEnding::Killed);
        for (const TRenameRecord& record : history.Renames(run.id)) {
            const fs::path folder(record.folder);
            EXPECT_NE(fs::exists(folder / record.newName), fs::exists(folder / record.oldName))
                << record.oldName;
            if (record.renamed) {
                ++recorded;
                EXPECT_TRUE(fs::exists(folder / record.newName)) << record.newName;
            }
        }
    }
    EXPECT_EQ(recorded, before);
    for (const TRunSummary& run : runs)
        UndoRun(history, run.id);
    EXPECT_EQ(expectEachPhotoOnce(root, photos), 0u);
}

TEST_F(FaultTest, AFastRunKilledAndStartedAgainLosesNothingAndItsHistoryMatchesTheDisk) {
    makePhotos(photos, root, "card", "IMG_", 3000);
    // Every tenth photo has a sidecar of its own content, which moves with it.
    for (int i = 0; i < 3000; i += 10) {
        const fs::path relative = fs::path("card") / ("IMG_" + std::to_string(i) + ".xmp");
        const std::string content =
            "<x:xmpmeta>kelvara-fault-" + relative.string() + "</x:xmpmeta>";
        writeFile(root / relative, content);
        photos[content] = relative;
    }
    KelvaraProcess kelvara(temp.path() / "app");
    writeFile(kelvara.stateFile(), "[MainForm.ChkFast]\nChecked=1\n");
    const QString card = QString::fromStdString((root / "card").string());

    kelvara.start({card}, temp.path());
    ASSERT_TRUE(kelvara.waitForLog("kelvara.app: run pace: fast")) << kelvara.log().tail();
    ASSERT_TRUE(kelvara.waitForLog("kelvara.rename: renamed", 300)) << kelvara.log().tail();
    kelvara.kill();
    const std::size_t killedAt = expectEachPhotoOnce(root, photos);
    EXPECT_GE(killedAt, 300u);

    // Started again on the same card: the rest is renamed, nothing twice.
    kelvara.start({card}, temp.path());
    ASSERT_TRUE(kelvara.waitForLog("kelvara.app: run pace: fast")) << kelvara.log().tail();
    ASSERT_TRUE(kelvara.waitForLog("kelvara.rename: queues empty")) << kelvara.log().tail();
    EXPECT_EQ(kelvara.terminate(), 0);
    EXPECT_EQ(expectEachPhotoOnce(root, photos), photos.size());

    // The history, settled as a start settles it, holds exactly what the
    // disk shows; undoing both runs brings every file back.
    THistory history((temp.path() / "app" / "kelvara-history.sqlite").string());
    const std::vector<TRunSummary> runs = history.Runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].ending, TRunEnding::Killed);
    EXPECT_EQ(runs[0].ending, TRunEnding::Finished);
    std::size_t recorded = 0;
    for (const TRunSummary& run : runs)
        for (const TRenameRecord& record : history.Renames(run.id)) {
            const fs::path folder(record.folder);
            EXPECT_TRUE(record.renamed) << record.oldName;
            EXPECT_TRUE(fs::exists(folder / record.newName)) << record.newName;
            EXPECT_FALSE(fs::exists(folder / record.oldName)) << record.oldName;
            ++recorded;
        }
    EXPECT_EQ(recorded, photos.size());
    for (const TRunSummary& run : runs)
        UndoRun(history, run.id);
    EXPECT_EQ(expectEachPhotoOnce(root, photos), 0u);
}
