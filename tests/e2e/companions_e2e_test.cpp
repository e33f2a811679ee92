// SPDX-License-Identifier: GPL-3.0-or-later
// The real executable on a folder of real photos with companions of every
// kind, in both cases and both sidecar styles, one whose new name is taken
// and files that only look like companions, found by the program's own
// search in the folder's own order: each companion carries exactly its
// photo's prefix, the held-back photo keeps its name, nothing else moves and
// no content changes.

#include "support/CompanionFiles.h"
#include "support/KelvaraProcess.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>

using namespace kelvara::test;
namespace fs = std::filesystem;

TEST(CompanionsProgram, CompanionsFollowTheirPhotosAndNothingElseMoves) {
    TempDir temp;
    const fs::path root = temp.path() / "photos";
    const fs::path phone = root / "phone";
    const fs::path raw = root / "raw";
    const fs::path held = root / "held";
    copyPhoto("heic/IMG_5195.HEIC", phone);
    copyPhoto("jpg/Canon_40D.jpg", phone, "IMG_0001.JPG");
    copyPhoto("../more-photos/raw/IMG_1361.dng", raw);
    copyPhoto("../more-photos/raw/exiv2-canon-powershot-s40.crw", raw, "S40.CRW");
    copyPhoto("jpg/Canon_40D.jpg", held, "IMG_0002.JPG");

    // Relative path -> the prefix it must take.
    std::map<std::string, std::string> prefixes;
    const auto follow = [&](const fs::path& folder, const std::string& prefix,
                            const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            if (!fs::exists(folder / name))
                writeCompanion(folder, name);
            prefixes[fs::relative(folder / name, root).string()] = prefix;
        }
    };
    follow(phone, "202104111547_2566x3313_iPhone11ProMax_",
           {"IMG_5195.HEIC", "IMG_5195.HEIC.xmp", "IMG_5195.AAE", "IMG_5195.MOV"});
    follow(phone, "200805301556_100x68_CanonEOS40D_",
           {"IMG_0001.JPG", "IMG_0001.JPG.XMP", "IMG_0001.JPG.pp3", "IMG_0001.JPG.DOP",
            "IMG_0001.xmp", "IMG_0001.aae", "IMG_0001.mov"});
    follow(raw, "202012291424_4032x3024_iPhone12Pro_",
           {"IMG_1361.dng", "IMG_1361.dng.xmp", "IMG_1361.dng.PP3", "IMG_1361.XMP"});
    follow(raw, "200504231754_2272x1704_CanonPowerShotS40_", {"S40.CRW", "S40.CRW.dop", "S40.AAE"});
    // Look-alikes, and a video beside RAW files.
    for (const char* name :
         {"IMG_0001.xmp.bak", "img_0001.XMP", "IMG_0001.Xmp", "IMG_5195.mp4", "IMG_5195.HEIC.aae"})
        writeCompanion(phone, name);
    for (const char* name : {"IMG_1361.MOV", "S40.mov"})
        writeCompanion(raw, name);
    // The video's new name is taken: the photo and its sidecar stay too.
    writeCompanion(held, "IMG_0002.JPG.xmp");
    writeCompanion(held, "IMG_0002.MOV");
    writeFile(held / "200805301556_100x68_CanonEOS40D_IMG_0002.MOV", "someone else's video");

    const auto before = snapshot(root);
    KelvaraProcess kelvara(temp.path() / "app");
    kelvara.start({"photos"}, temp.path());
    ASSERT_TRUE(kelvara.waitForLog("kelvara.rename: queues empty")) << kelvara.log().tail();
    EXPECT_EQ(kelvara.terminate(), 0);
    const auto after = snapshot(root);

    EXPECT_EQ(after.size(), before.size());
    for (const auto& [path, content] : before) {
        const auto prefix = prefixes.find(path);
        const fs::path old(path);
        const std::string now =
            prefix == prefixes.end()
                ? path
                : (old.parent_path() / (prefix->second + old.filename().string())).string();
        ASSERT_TRUE(after.count(now)) << path << " should be " << now;
        EXPECT_EQ(after.at(now), content) << now;
    }
    // The step's line for each of the four photos renamed; one line of
    // their own per companion moved.
    EXPECT_EQ(kelvara.logCount("kelvara.rename: renamed"), 4u);
    EXPECT_EQ(kelvara.logCount("kelvara.rename: companion"), prefixes.size() - 4);

    // Again over the renamed folder: nothing moves.
    kelvara.start({"photos"}, temp.path());
    ASSERT_TRUE(kelvara.waitForLog("kelvara.rename: queues empty")) << kelvara.log().tail();
    EXPECT_EQ(kelvara.terminate(), 0);
    EXPECT_EQ(kelvara.logCount("kelvara.rename: renamed"), 0u);
    EXPECT_EQ(kelvara.logCount("kelvara.rename: companion"), 0u);
    EXPECT_EQ(snapshot(root), after);
}
