// SPDX-License-Identifier: GPL-3.0-or-later
// The shared search worker on the Windows folder walk, on real folders of
// Wine's file system: queued folders in order, each walked depth first in
// the listing's order, names that are not ASCII, a given file queued at
// once, nothing from before a cancel.

#include "platform/FolderWalk.h"
#include "search/FindFileThread.h"
#include "win32/WideText.h"
#include "win32/WineTest.h"

#include <fstream>
#include <thread>

using namespace kelvara;
using namespace kelvara::test;

namespace {

// The path as the search spells it: UTF-8, "/" between names.
std::string Spelt(const fs::path& path) {
    std::string text = Utf8FromWide(path.wstring());
    for (char& c : text)
        if (c == '\\')
            c = '/';
    return text;
}

// The files below `root` as a depth-first walk in the listing's own order
// gives them.
void ListedWalk(const fs::path& root, TPathList& files) {
    for (const auto& entry : fs::directory_iterator(root)) {
        if (entry.is_directory())
            ListedWalk(entry.path(), files);
        else
            files.push_back(Spelt(entry.path()));
    }
}

void Touch(const fs::path& file) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "x";
}

struct Worker {
    Worker() { thread.Resume(); }
    // Every file found, once the worker has searched all it was given.
    TPathList TakeAllWhenDone() {
        while (thread.HasSearchWork())
            std::this_thread::yield();
        TPathList files;
        thread.TakeFiles(files, 1 << 30);
        return files;
    }
    TCriticalSection lock;
    TFindFileThread thread{lock};
};

} // namespace

TEST(SearchOnWindows, QueuedFoldersInOrderEachDepthFirstAsListed) {
    const TTempFolder temp;
    const fs::path root = temp.path();
    for (const char* file : {"b/2.jpg", "b/x/1.jpg", "b/x/y/0.jpg", "b/3.jpg", "A/z.jpg",
                             "A/deep/a.jpg", "c/only.jpg"})
        Touch(root / file);
    Touch(root / "c" / fs::path(L"\u5199\u771f.jpg"));

    Worker worker;
    // Given out of order, in one batch: taken in order of their names,
    // letter case ignored.
    worker.thread.AddPaths(
        {Spelt(root / "c"), Spelt(root / "b"), Spelt(root / "A"), Spelt(root / "nothing")});
    const TPathList found = worker.TakeAllWhenDone();

    TPathList expected;
    for (const char* folder : {"A", "b", "c"})
        ListedWalk(root / folder, expected);
    EXPECT_EQ(found, expected);
    EXPECT_EQ(found.size(), 8u);
    EXPECT_EQ(PathKindOf(found.back()), TPathKind::File);
    EXPECT_EQ(PathKindOf(Spelt(root / "A")), TPathKind::Folder);
    EXPECT_EQ(PathKindOf(Spelt(root / "nothing")), TPathKind::None);
}

// (Wine's folder links do not show in a listing, so the walk's passing
// them by is not seen here.)
TEST(SearchOnWindows, AGivenFileIsQueuedAtOnceAheadOfTheSearch) {
    const TTempFolder temp;
    const fs::path root = temp.path() / "card";
    Touch(root / "IMG_1.jpg");
    Touch(temp.path() / "elsewhere" / "IMG_2.jpg");

    Worker worker;
    worker.thread.AddPaths({Spelt(root), Spelt(temp.path() / "elsewhere" / "IMG_2.jpg")});
    EXPECT_EQ(worker.TakeAllWhenDone(), (TPathList{Spelt(temp.path() / "elsewhere" / "IMG_2.jpg"),
                                                   Spelt(root / "IMG_1.jpg")}));
}

TEST(SearchOnWindows, NothingFromBeforeACancelIsFound) {
    const TTempFolder temp;
    for (int i = 0; i < 200; ++i)
        Touch(temp.path() / "many" / std::to_string(i % 10) / ("IMG_" + std::to_string(i)));
    Touch(temp.path() / "later" / "IMG_9.jpg");

    Worker worker;
    worker.thread.AddPath(Spelt(temp.path() / "many"));
    worker.thread.Cancel();
    worker.thread.AddPath(Spelt(temp.path() / "later"));
    EXPECT_EQ(worker.TakeAllWhenDone(), TPathList{Spelt(temp.path() / "later" / "IMG_9.jpg")});
}
