// SPDX-License-Identifier: GPL-3.0-or-later
// The search worker on real folder trees: queue order, depth-first search,
// links, Cancel racing a running search or the worker's wake-up, and the
// waits of the threads that serve the queues.

#include "search/FindFileThread.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <atomic>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <optional>
#include <sys/resource.h>
#include <thread>

using namespace kelvara;
using kelvara::test::LogCapture;
using kelvara::test::TempDir;
using kelvara::test::writeFile;
namespace fs = std::filesystem;

namespace {

// The line the worker writes when the search of a queued folder has ended.
std::string searchedLine(const fs::path& folder) {
    return "kelvara.search: searched \"" + folder.string() + "/\"";
}

TPathList takeAll(TFindFileThread& worker) {
    TPathList files;
    worker.TakeFiles(files, 1 << 30);
    return files;
}

// The files below `root` as a depth-first walk in the file system's own
// order would give them, links not followed.
TPathList expectedWalk(const fs::path& root) {
    TPathList files;
    for (const auto& entry : fs::directory_iterator(root)) {
        if (entry.is_symlink()) {
            if (fs::is_regular_file(entry.path()))
                files.push_back(entry.path().string());
        } else if (entry.is_directory()) {
            for (auto& inner : expectedWalk(entry.path()))
                files.push_back(inner);
        } else if (entry.is_regular_file()) {
            files.push_back(entry.path().string());
        }
    }
    return files;
}

void makeTree(const fs::path& root, int folders, int filesPerFolder) {
    for (int f = 0; f < folders; ++f) {
        const fs::path folder = root / ("d" + std::to_string(f)) / "deeper";
        fs::create_directories(folder);
        for (int i = 0; i < filesPerFolder; ++i)
            writeFile(folder / ("IMG_" + std::to_string(i) + ".JPG"), "x");
    }
}

struct Worker {
    TCriticalSection lock;
    TFindFileThread thread{lock};
};

// `depth` folders each inside the one before, each holding two files and,
// beside the next level, a folder with one file of its own.
void makeDeepTree(const fs::path& root, int depth) {
    fs::path folder = root;
    for (int level = 0; level < depth; ++level) {
        fs::create_directories(folder / "side");
        writeFile(folder / "a.jpg", "a");
        writeFile(folder / "z.jpg", "z");
        writeFile(folder / "side" / "s.jpg", "s");
        folder /= "d";
    }
    fs::create_directories(folder);
    writeFile(folder / "bottom.jpg", "b");
}

// Lowers the process's soft limit of open files to `headroom` above what is
// open now, for as long as it lives.
class FewDescriptors {
public:
    explicit FewDescriptors(rlim_t headroom) {
        getrlimit(RLIMIT_NOFILE, &m_saved);
        rlim_t open = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd"))
            ++open;
        rlimit lowered = m_saved;
        lowered.rlim_cur = open + headroom;
        m_done = setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~FewDescriptors() { setrlimit(RLIMIT_NOFILE, &m_saved); }
    FewDescriptors(const FewDescriptors&) = delete;
    FewDescriptors& operator=(const FewDescriptors&) = delete;
    bool done() const { return m_done; }

private:
    rlimit m_saved{};
    bool m_done = false;
};

} // namespace

TEST(FindFileQueues, FoldersAreSearchedOnceInCaseInsensitiveOrderAndFilesQueueDirectly) {
    TempDir temp;
    for (const char* name : {"Beta", "alpha", "Gamma", "gamma"})
        fs::create_directories(temp.path() / name);
    writeFile(temp.path() / "Beta" / "b.jpg", "b");
    writeFile(temp.path() / "alpha" / "a.jpg", "a");
    writeFile(temp.path() / "Gamma" / "G.jpg", "G");
    writeFile(temp.path() / "gamma" / "g.jpg", "g");
    const std::string loose = temp.file("loose.jpg");
    writeFile(loose, "l");

    LogCapture log;
    Worker worker; // suspended: the queue fills before any search starts
    worker.thread.AddPath(temp.file("Beta"));
    worker.thread.AddPath(temp.file("alpha") + "/");
    worker.thread.AddPath(temp.file("Beta") + "/"); // the same folder as "Beta"
    worker.thread.AddPath(temp.file("gamma"));
    worker.thread.AddPath(temp.file("Gamma")); // another folder on Linux
    worker.thread.AddPath(loose);
    worker.thread.AddPath(loose);
    worker.thread.AddPath(temp.file("missing"));
    worker.thread.AddPath("");

    // Files named directly wait in arrival order before anything is searched.
    EXPECT_EQ(worker.thread.FileCount(), 2u);
    worker.thread.Resume();
    ASSERT_TRUE(log.waitFor("kelvara.search: searched", 4));
    EXPECT_FALSE(worker.thread.HasSearchWork());
    const TPathList files = takeAll(worker.thread);
    ASSERT_EQ(files.size(), 6u);
    EXPECT_EQ(files[0], loose);
    EXPECT_EQ(files[1], loose);
    EXPECT_EQ(files[2], temp.file("alpha/a.jpg"));
    EXPECT_EQ(files[3], temp.file("Beta/b.jpg"));
    // gamma and Gamma collate alike; both are searched, one after the other.
    EXPECT_TRUE((files[4] == temp.file("Gamma/G.jpg") && files[5] == temp.file("gamma/g.jpg")) ||
                (files[4] == temp.file("gamma/g.jpg") && files[5] == temp.file("Gamma/G.jpg")));
}

TEST(FindFileQueues, FolderKeysIgnoreCaseBeyondAsciiAndKeepTheLocalesOrder) {
    const TFolderCollation collation;
    const auto key = [&](const char* path) { return collation.SortKey(path); };
    EXPECT_EQ(key("/p/\xc3\x89t\xc3\xa9/"), key("/p/\xc3\xa9T\xc3\x89/")); // Été, éTÉ
    EXPECT_EQ(key("/p/\xce\xa3/"), key("/p/\xcf\x83/"));                   // Σ, σ
    EXPECT_LT(key("/p/alpha/"), key("/p/Beta/"));
    EXPECT_LT(key("/p/Beta/"), key("/p/gamma/"));
    // A name that is no UTF-8 still gets a key of its own.
    EXPECT_NE(key("/p/\xff/"), key("/p/"));
}

TEST(FindFileSearch, WalksDepthFirstWithHiddenEntriesAndNeverFollowsFolderLinks) {
    TempDir temp;
    const fs::path root = temp.path() / "photos";
    fs::create_directories(root / "sub" / ".hidden");
    fs::create_directories(root / "empty");
    writeFile(root / "1.jpg", "1");
    writeFile(root / "sub" / "2.jpg", "2");
    writeFile(root / "sub" / ".hidden" / "3.jpg", "3");
    writeFile(root / ".4.jpg", "4");
    writeFile(root / "name with spaces, \"quotes\"\nand newline.jpg", "5");
    fs::create_directory_symlink(root, root / "sub" / "loop");   // a link loop
    fs::create_directory_symlink(temp.path(), root / "outside"); // out of the tree
    fs::create_symlink(root / "1.jpg", root / "link.jpg");       // a link to a file
    fs::create_symlink(root / "nowhere", root / "dangling.jpg");
    mkfifo((root / "pipe.jpg").c_str(), 0600);

    LogCapture log;
    Worker worker;
    worker.thread.Resume();
    worker.thread.AddPath(root.string());
    ASSERT_TRUE(log.waitFor(searchedLine(root)));
    EXPECT_FALSE(worker.thread.HasSearchWork());
    const TPathList files = takeAll(worker.thread);
    EXPECT_EQ(files, expectedWalk(root));
    EXPECT_EQ(files.size(), 6u); // 1, 2, 3, .4, the odd name, link.jpg
}

TEST(FindFileSearch, ATreeDeeperThanTheDescriptorsAllowIsSearchedWholeInTheSameOrder) {
    TempDir temp;
    const fs::path root = temp.path() / "deep";
    constexpr int depth = 150; // deeper than the folders a search keeps open
    makeDeepTree(root, depth);
    const TPathList expected = expectedWalk(root);
    ASSERT_EQ(expected.size(), static_cast<std::size_t>(depth * 3 + 1));

    LogCapture log;
    {
        Worker worker;
        worker.thread.Resume();
        worker.thread.AddPath(root.string());
        ASSERT_TRUE(log.waitFor(searchedLine(root)));
        EXPECT_EQ(takeAll(worker.thread), expected);
    }
    {
        // Far fewer descriptors than levels: the search runs out of them
        // a few levels down, and still finds everything, in order.
        Worker worker; // its thread is made before the limit comes down
        const FewDescriptors few(12);
        ASSERT_TRUE(few.done());
        worker.thread.Resume();
        worker.thread.AddPath(root.string());
        ASSERT_TRUE(log.waitFor(searchedLine(root), 2));
        EXPECT_EQ(takeAll(worker.thread), expected);
        EXPECT_EQ(log.count("kelvara.search: cannot open"), 0u);
    }
}

TEST(FindFileCancel, ACancelDeepInAFolderWhoseDescriptorWasGivenUpHoldsToo) {
    TempDir temp;
    const fs::path root = temp.path() / "deep";
    makeDeepTree(root, 300);
    const fs::path next = temp.path() / "next";
    makeTree(next, 2, 3);
    LogCapture log;
    for (int round = 0; round < 10; ++round) {
        Worker worker;
        const FewDescriptors few(12);
        ASSERT_TRUE(few.done());
        worker.thread.Resume();
        worker.thread.AddPath(root.string());
        // Well below the levels that still hold their descriptor.
        while (worker.thread.FileCount() < static_cast<std::size_t>(100 + round * 60))
            std::this_thread::yield();
        worker.thread.Cancel();
        EXPECT_EQ(worker.thread.FileCount(), 0u);
        worker.thread.AddPath(next.string());
        ASSERT_TRUE(log.waitFor(searchedLine(next), static_cast<std::size_t>(round) + 1));
        EXPECT_EQ(takeAll(worker.thread), expectedWalk(next)) << "round " << round;
    }
}

TEST(FindFileSearch, TakeFilesMovesAtMostCountInOrder) {
    TempDir temp;
    std::vector<std::string> names;
    for (int i = 0; i < 3; ++i) {
        names.push_back(temp.file("f" + std::to_string(i)));
        writeFile(names.back(), "x");
    }
    Worker worker;
    for (const auto& name : names)
        worker.thread.AddPath(name);
    TPathList target{"already there"};
    worker.thread.TakeFiles(target, 0);
    worker.thread.TakeFiles(target, -5);
    EXPECT_EQ(target.size(), 1u);
    worker.thread.TakeFiles(target, 2);
    ASSERT_EQ(target.size(), 3u);
    EXPECT_EQ(target[1], names[0]);
    EXPECT_EQ(target[2], names[1]);
    worker.thread.TakeFiles(target, 100);
    ASSERT_EQ(target.size(), 4u);
    EXPECT_EQ(target[3], names[2]);
    worker.thread.TakeFiles(target, 1);
    EXPECT_EQ(target.size(), 4u);
}

TEST(FindFileCancel, NothingOfACancelledSearchArrivesAndTheNextSearchRunsNormally) {
    TempDir temp;
    const fs::path big = temp.path() / "big";
    makeTree(big, 400, 25);
    const fs::path next = temp.path() / "next";
    makeTree(next, 2, 3);

    // Cancel at many moments of a running search: right at its start, and
    // after some files have arrived. Whatever the moment, the queue stays
    // empty once Cancel has returned: when the next search has ended (and
    // the cancelled one with it, in the same thread before), the queue holds
    // the next search's files and nothing else.
    LogCapture log;
    for (int round = 0; round < 20; ++round) {
        Worker worker;
        worker.thread.Resume();
        worker.thread.AddPath(big.string());
        if (round % 2 == 1) {
            while (worker.thread.FileCount() < static_cast<std::size_t>(round * 50))
                std::this_thread::yield();
        }
        worker.thread.Cancel();
        EXPECT_EQ(worker.thread.FileCount(), 0u);

        worker.thread.AddPath(next.string());
        ASSERT_TRUE(log.waitFor(searchedLine(next), static_cast<std::size_t>(round) + 1));
        EXPECT_FALSE(worker.thread.HasSearchWork());
        const TPathList files = takeAll(worker.thread);
        EXPECT_EQ(files, expectedWalk(next)) << "round " << round;
    }
}

TEST(FindFileLifetime, EndsPromptlyDuringALargeSearchAndWhenNeverStarted) {
    TempDir temp;
    makeTree(temp.path(), 300, 20);
    {
        Worker worker;
        worker.thread.AddPath(temp.path().string());
        worker.thread.Resume();
        while (worker.thread.FileCount() == 0)
            std::this_thread::yield();
        // Leaving the scope stops the worker in the middle of the tree.
    }
    {
        TFindFileUnit unit; // the worker of a copy that only hands over its paths
        ASSERT_NE(FindFileThread, nullptr);
        ASSERT_NE(FindFileLock, nullptr);
        FindFileThread->AddPath(temp.path().string());
        EXPECT_TRUE(FindFileThread->Finished());
    }
    EXPECT_EQ(FindFileThread, nullptr);
    EXPECT_EQ(FindFileLock, nullptr);
}

// The waits of the threads that serve the queues: they return when work
// comes or when they are told to stop, and the front of the file queue is
// told entry by entry.
TEST(FindFileWaits, WaitForWorkReturnsWhenWorkComesOrWhenStopped) {
    TempDir temp;
    writeFile(temp.path() / "a.jpg", "a");
    Worker worker;
    worker.thread.Resume();
    EXPECT_FALSE(worker.thread.HasWork());

    std::atomic<bool> stop{false};
    auto waiting = std::async(std::launch::async, [&] {
        worker.thread.WaitForWork([&] { return stop.load(); });
        return worker.thread.HasWork();
    });
    worker.thread.AddPath(temp.file("a.jpg"));
    EXPECT_TRUE(waiting.get());

    takeAll(worker.thread);
    auto stopped = std::async(std::launch::async, [&] {
        worker.thread.WaitForWork([&] { return stop.load(); });
        return stop.load();
    });
    stop = true;
    worker.thread.WakeWaiters();
    EXPECT_TRUE(stopped.get());
}

TEST(FindFileWaits, TheFrontIsToldEntryByEntryAndACancelMakesItStale) {
    TempDir temp;
    writeFile(temp.path() / "a.jpg", "a");
    writeFile(temp.path() / "b.jpg", "b");
    Worker worker;
    const auto never = [] { return false; };
    worker.thread.AddPath(temp.file("a.jpg"));
    worker.thread.AddPath(temp.file("a.jpg"));
    worker.thread.AddPath(temp.file("b.jpg"));

    const auto first = worker.thread.WaitForNextFront(std::nullopt, never);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->path, temp.file("a.jpg"));
    TPathList taken;
    ASSERT_TRUE(worker.thread.TakeFront(*first, taken));
    EXPECT_FALSE(worker.thread.TakeFront(*first, taken)) << "taken already";

    // The same path again is another entry.
    const auto second = worker.thread.WaitForNextFront(first, never);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->path, temp.file("a.jpg"));
    EXPECT_FALSE(second->SameEntry(*first));

    // A cancel empties the queue; the same file queued again is a new entry,
    // and the old one cannot be taken for it.
    worker.thread.Cancel();
    worker.thread.AddPath(temp.file("a.jpg"));
    EXPECT_FALSE(worker.thread.TakeFront(*second, taken));
    const auto third = worker.thread.WaitForNextFront(second, never);
    ASSERT_TRUE(third);
    EXPECT_EQ(third->path, temp.file("a.jpg"));
    EXPECT_NE(third->generation, second->generation);
    EXPECT_TRUE(worker.thread.TakeFront(*third, taken));
    EXPECT_EQ(taken, (TPathList{temp.file("a.jpg"), temp.file("a.jpg")}));

    // A wait for a new front ends when it is told to stop.
    std::atomic<bool> stop{false};
    auto waiting = std::async(std::launch::async, [&] {
        return worker.thread.WaitForNextFront(third, [&] { return stop.load(); });
    });
    stop = true;
    worker.thread.WakeWaiters();
    EXPECT_FALSE(waiting.get());
}

TEST(FindFileCancel, ACancelRacingTheWorkersWakeUpLeavesNothingBehind) {
    TempDir temp;
    const fs::path big = temp.path() / "big";
    makeTree(big, 50, 10);
    const fs::path next = temp.path() / "next";
    makeTree(next, 2, 3);

    // The worker wakes the moment AddPath queues the folder; the cancel
    // comes right after, before, while or after the worker takes it.
    LogCapture log;
    Worker worker;
    worker.thread.Resume();
    for (int round = 0; round < 50; ++round) {
        worker.thread.AddPath(big.string());
        worker.thread.Cancel();
        EXPECT_EQ(worker.thread.FileCount(), 0u);
        worker.thread.AddPath(next.string());
        ASSERT_TRUE(log.waitFor(searchedLine(next), static_cast<std::size_t>(round) + 1));
        EXPECT_FALSE(worker.thread.HasSearchWork());
        EXPECT_EQ(takeAll(worker.thread), expectedWalk(next)) << "round " << round;
    }
}
