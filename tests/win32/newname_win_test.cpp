// SPDX-License-Identifier: GPL-3.0-or-later
// How the Windows edition names a photo, and its engine renaming real
// sample photos on Wine's file system: searched in order, renamed once,
// nothing replaced, nothing renamed after a cancel.

#include "photo/PhotoMetadataLibrary.h"
#include "win32/GdiPlus.h"
#include "win32/WineTest.h"
#include "win32/standin/Engine.h"
#include "win32/standin/NewName.h"

#include <fstream>

using namespace kelvara;
using namespace kelvara::standin;
using namespace kelvara::test;

namespace {

const TPhotoProperties Ixy{"2008:03:18 12:26:27", "1600 x 1200", "Canon IXY DIGITAL 900 IS"};

std::optional<std::string> Named(const TPhotoProperties& properties, const char* pattern,
                                 TNameLayout layout, const std::string& oldName = "IMG_3444.JPG") {
    return NewNameFor(properties, TFixedNamingOptions(pattern, layout), oldName);
}

} // namespace

TEST(NewName, DatePrecisionAndLayoutMakeTheName) {
    EXPECT_EQ(Named(Ixy, DatePatternDay, TNameLayout::DateFile), "20080318_IMG_3444.JPG");
    EXPECT_EQ(Named(Ixy, DatePatternMinute, TNameLayout::DateModelFile),
              "200803181226_CanonIXYDIGITAL900IS_IMG_3444.JPG");
    EXPECT_EQ(Named(Ixy, DatePatternMinute, TNameLayout::DateSizeFile),
              "200803181226_1600x1200_IMG_3444.JPG");
    EXPECT_EQ(Named(Ixy, DatePatternSecond, TNameLayout::DateSizeModelFile),
              "20080318122627_1600x1200_CanonIXYDIGITAL900IS_IMG_3444.JPG");
    // Empty parts keep their separators.
    EXPECT_EQ(
        Named({"2008:03:18 12:26:27", "", ""}, DatePatternMinute, TNameLayout::DateSizeModelFile),
        "200803181226___IMG_3444.JPG");
}

TEST(NewName, WhatWindowsForbidsLeavesTheModelAndTheOldNameStaysWhole) {
    const TPhotoProperties samsung{"2006:08:15 17:50:57", "100 x 75",
                                   "<Digimax i50 MP3, Samsung #1 MP3>"};
    EXPECT_EQ(Named(samsung, DatePatternMinute, TNameLayout::DateSizeModelFile, "a b;c.jpg"),
              "200608151750_100x75_Digimaxi50MP3,Samsung#1MP3_a b;c.jpg");
    EXPECT_EQ(NamePartText("a\\b/c:d*e?f\"g<h>i|j\tk\x7fl"), "abcdefghijkl");
}

TEST(NewName, APhotoKeepsItsNameWhenNothingFitOrItIsDatedAlready) {
    // Dated already, at this precision (a second run changes nothing) ...
    EXPECT_FALSE(Named(Ixy, DatePatternDay, TNameLayout::DateFile, "IMG_20080318.JPG"));
    // ... but not at a longer one, which puts the longer date in front.
    EXPECT_EQ(Named(Ixy, DatePatternMinute, TNameLayout::DateFile, "20080318_IMG_3444.JPG"),
              "200803181226_20080318_IMG_3444.JPG");
    EXPECT_FALSE(Named(Ixy, DatePatternMinute, TNameLayout::None));
    EXPECT_FALSE(Named({"", "1600 x 1200", "X"}, DatePatternMinute, TNameLayout::DateFile));
    EXPECT_FALSE(Named({"2008:03:18 12:26:27", "", "\xff\xfe"}, DatePatternMinute,
                       TNameLayout::DateModelFile));
    // 255 is the limit, in bytes and in UTF-16 units.
    const std::string longName(255 - 13, 'a');
    EXPECT_TRUE(Named(Ixy, DatePatternMinute, TNameLayout::DateFile, longName));
    EXPECT_FALSE(Named(Ixy, DatePatternMinute, TNameLayout::DateFile, longName + "b"));
    std::string wide; // 3 bytes and one UTF-16 unit each: bytes run out first
    for (int i = 0; i < 80; ++i)
        wide += "\xe5\x86\x99";
    EXPECT_TRUE(Named(Ixy, DatePatternMinute, TNameLayout::DateFile, wide.substr(0, 3 * 80)));
    EXPECT_FALSE(Named(Ixy, DatePatternMinute, TNameLayout::DateFile, wide + "\xe5\x86\x99"));
}

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
    TTempFolder temp;
    TEngine engine;
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
