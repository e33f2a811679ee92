// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows edition's engine (the shared search and rename step) renaming
// real sample photos on Wine's file system: searched in order, renamed once,
// nothing replaced, nothing renamed after a cancel or Escape.

#include "history/History.h"
#include "history/HistoryLocation.h"
#include "photo/PhotoMetadataLibrary.h"
#include "platform/EscapeKey.h"
#include "win32/Engine.h"
#include "win32/GdiPlus.h"
#include "win32/WideText.h"
#include "win32/WineTest.h"

#include <algorithm>
#include <fstream>
#include <utility>

using namespace kelvara;
using namespace kelvara::test;

namespace {

// The path as the shared code spells it: UTF-8, "/" between names.
std::string Spelt(const fs::path& path) {
    std::string text = Utf8FromWide(path.wstring());
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

} // namespace

namespace {

class EngineTest : public ::testing::Test {
protected:
    // Steps until the engine has nothing left: the search has ended and
    // every found file has had its step.
    void RunToEnd(const TFixedNamingOptions& options = {}) {
        do
            engine.Step(options);
        while (engine.HasWork());
    }

    TGdiplusSession gdiplus;
    TPhotoMetadataLibrary metadata;
    // Escape as the test presses it.
    struct TTestEscape : IEscapeKey {
        bool down = false;
        bool Pressed() override { return std::exchange(down, false); }
    };

    TTempFolder temp;
    TTestEscape escape;
    TEngine engine{escape, Spelt(temp.path() / "program" / HistoryFileName)};
};

} // namespace

TEST_F(EngineTest, AFolderTreeIsRenamedOnceAndNonPhotosKeepTheirNames) {
    const fs::path root = temp.path() / "card";
    CopyPhoto("Canon_40D.jpg", root / "DCIM" / "100CANON");
    CopyPhoto("Nikon_D70.jpg", root);
    CopyPhoto("PaintTool_sample.jpg", root); // no shooting date
    std::ofstream(root / "notes.jpg") << "not a photo";
    std::ofstream(root / "readme.txt") << "text";

    engine.QueuePaths({root.wstring()});
    RunToEnd();
    const std::map<std::string, std::uintmax_t> first = FilesBelow(root);
    const std::vector<std::string> expected{
        "200803150952_100x66_NIKOND70_Nikon_D70.jpg",
        "DCIM/100CANON/200805301556_100x68_CanonEOS40D_Canon_40D.jpg", "PaintTool_sample.jpg",
        "notes.jpg", "readme.txt"};
    std::vector<std::string> names;
    for (const auto& [name, size] : first)
        names.push_back(name);
    EXPECT_EQ(names, expected);

    // A second run, by folder and by file, changes nothing.
    engine.QueuePaths({root.wstring(), (root / expected[0]).wstring()});
    RunToEnd();
    EXPECT_EQ(FilesBelow(root), first);
}

TEST_F(EngineTest, ACompanionMovesWithItsPhotoAndAnotherImageStaysPut) {
    const fs::path root = temp.path() / "sidecars";
    CopyPhoto("Canon_40D.jpg", root, "IMG_0001.JPG");
    std::ofstream(root / "IMG_0001.xmp") << "<x:xmpmeta/>";
    std::ofstream(root / "IMG_0001.JPG.dop") << "edits";
    std::ofstream(root / "IMG_0001.AAE") << "<plist/>";
    // An image under a companion's name is a photo of its own, not a sidecar.
    CopyPhoto("Nikon_D70.jpg", root, "IMG_0002.JPG");
    CopyPhoto("PaintTool_sample.jpg", root, "IMG_0002.xmp");

    engine.QueuePaths({root.wstring()});
    RunToEnd();
    std::vector<std::string> names;
    for (const auto& [name, size] : FilesBelow(root))
        names.push_back(name);
    const std::string prefix = "200805301556_100x68_CanonEOS40D_";
    EXPECT_EQ(names, (std::vector<std::string>{"200803150952_100x66_NIKOND70_IMG_0002.JPG",
                                               prefix + "IMG_0001.AAE", prefix + "IMG_0001.JPG",
                                               prefix + "IMG_0001.JPG.dop", prefix + "IMG_0001.xmp",
                                               "IMG_0002.xmp"}));
}

TEST_F(EngineTest, AnExistingTargetIsNeverReplaced) {
    const fs::path photo = CopyPhoto("Nikon_D70.jpg", temp.path());
    const fs::path taken = temp.path() / "200803150952_100x66_NIKOND70_Nikon_D70.jpg";
    std::ofstream(taken) << "someone else's file";
    engine.QueuePaths({photo.wstring()});
    RunToEnd();
    EXPECT_TRUE(fs::exists(photo));
    EXPECT_EQ(fs::file_size(taken), std::string("someone else's file").size());
}

TEST_F(EngineTest, NothingQueuedBeforeACancelIsRenamed) {
    const fs::path root = temp.path() / "many";
    for (int i = 0; i < 40; ++i)
        CopyPhoto("Canon_40D.jpg", root / std::to_string(i % 4),
                  "IMG_" + std::to_string(i) + ".jpg");
    const auto before = FilesBelow(root);
    engine.QueuePaths({root.wstring()});
    engine.Cancel();
    RunToEnd();
    EXPECT_EQ(FilesBelow(root), before);

    // The engine takes new work after a cancel.
    engine.QueuePaths({(root / "0").wstring()});
    RunToEnd();
    for (const auto& [name, size] : FilesBelow(root / "0"))
        EXPECT_TRUE(name.starts_with("200805301556_")) << name;
}

TEST_F(EngineTest, EscapeEmptiesTheQueuesAndTheNextDropIsRenamed) {
    const fs::path root = temp.path() / "escape";
    for (int i = 0; i < 12; ++i)
        CopyPhoto("Canon_40D.jpg", root / "a", "IMG_" + std::to_string(i) + ".jpg");
    CopyPhoto("Nikon_D70.jpg", root / "b");
    const auto before = FilesBelow(root / "a");
    engine.QueuePaths({(root / "a").wstring()});
    // Escape at the first step: whatever the search has found by then, and
    // whatever it would still find, is dropped.
    escape.down = true;
    RunToEnd();
    EXPECT_EQ(FilesBelow(root / "a"), before);

    engine.QueuePaths({(root / "b").wstring()});
    RunToEnd();
    EXPECT_TRUE(fs::exists(root / "b" / "200803150952_100x66_NIKOND70_Nikon_D70.jpg"));
}

TEST_F(EngineTest, RunsAreRecordedBesideTheProgramAsFinishedOrCancelled) {
    EXPECT_EQ(HistoryFileFor("C:\\Tools\\Kelvara.exe", "C:\\Tools\\Kelvara.ini"),
              "C:/Tools/kelvara-history.sqlite");

    const fs::path root = temp.path() / "recorded";
    CopyPhoto("Canon_40D.jpg", root / "a", "IMG_0001.JPG");
    std::ofstream(root / "a" / "notes.txt") << "text";
    CopyPhoto("Nikon_D70.jpg", root / "b");
    // A history of its own, which the engine has written whole once it is
    // gone, as when the program ends.
    const std::string file = Spelt(temp.path() / "portable" / HistoryFileName);
    {
        TEngine recorder(escape, file);
        const auto runToEnd = [&] {
            do
                recorder.Step(TFixedNamingOptions());
            while (recorder.HasWork());
        };
        recorder.QueuePaths({(root / "a").wstring()});
        runToEnd();
        recorder.QueuePaths({(root / "b").wstring()});
        escape.down = true;
        runToEnd();
    }

    THistory history(file);
    const std::vector<TRunSummary> runs = history.Runs();
    ASSERT_EQ(runs.size(), 2u);
    const auto first = std::find_if(runs.begin(), runs.end(), [&](const TRunSummary& run) {
        return run.paths == std::vector<std::string>{Spelt(root / "a")};
    });
    ASSERT_NE(first, runs.end());
    EXPECT_EQ(first->ending, TRunEnding::Finished);
    EXPECT_EQ(first->renamed, 1);
    EXPECT_EQ(first->kept, 1);
    const std::vector<TRenameRecord> renames = history.Renames(first->id);
    ASSERT_EQ(renames.size(), 1u);
    EXPECT_EQ(renames[0].folder, Spelt(root / "a"));
    EXPECT_EQ(renames[0].oldName, "IMG_0001.JPG");
    EXPECT_EQ(renames[0].newName, "200805301556_100x68_CanonEOS40D_IMG_0001.JPG");
    EXPECT_TRUE(renames[0].renamed);
    const auto second = first == runs.begin() ? runs.begin() + 1 : runs.begin();
    EXPECT_EQ(second->ending, TRunEnding::Cancelled);
    EXPECT_EQ(second->renamed, 0);
}
