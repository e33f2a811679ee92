// SPDX-License-Identifier: GPL-3.0-or-later
// The real executable on copies of every sample photo: each photo with a
// shooting date gets exactly the name that an independent reader (exiftool)
// gives for its date, size and model; every other file keeps its name; no
// content changes and nothing goes missing.

#include "support/ExpectedNames.h"
#include "support/KelvaraProcess.h"
#include "support/MinimalDng.h"
#include "support/TempDir.h"

#include <QStandardPaths>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>

using namespace kelvara::test;
namespace fs = std::filesystem;

TEST(KelvaraProgram, RenamesEverySamplePhotoAsAnIndependentReaderNamesIt) {
    if (QStandardPaths::findExecutable("exiftool").isEmpty())
        GTEST_SKIP() << "exiftool is not installed";
    TempDir temp;
    const fs::path root = temp.path() / "photos";
    fs::create_directories(root);
    fs::copy(photosDir() / "jpg", root / "jpg", fs::copy_options::recursive);
    fs::copy(photosDir() / "tiff", root / "tiff", fs::copy_options::recursive);
    fs::copy(photosDir() / "heic", root / "heic", fs::copy_options::recursive);
    // Names that quoting or splitting could break, and one of each kind of
    // file that is no photo.
    copyPhoto("jpg/Canon_40D.jpg", root / "odd", "a name, with \"quotes\".jpg");
    // A control character makes the new name unusable: this one stays.
    copyPhoto("jpg/Canon_40D.jpg", root / "odd", "a\nnewline.jpg");
    copyPhoto("jpg/Nikon_D70.jpg", root / "odd", "写真 ü.jpg");
    writeFile(root / "odd" / "notes.txt", "no photo");
    writeFile(root / "odd" / "empty.jpg", "");
    writeFile(root / "odd" / "raw.dng", minimalDng()); // a camera RAW file
    for (auto& entry : fs::recursive_directory_iterator(root))
        fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add);

    const auto before = snapshot(root);
    const auto expected = exiftoolNames(root, {"JPEG", "TIFF", "HEIC", "HEIF", "AVIF", "DNG"});

    // One folder by a relative path, the other absolute, one file directly.
    KelvaraProcess kelvara(temp.path() / "app");
    kelvara.start({"photos/jpg", "photos/heic", QString::fromStdString((root / "tiff").string()),
                   QString::fromStdString((root / "odd").string() + "/写真 ü.jpg"),
                   QString::fromStdString((root / "odd").string())},
                  temp.path());
    EXPECT_TRUE(kelvara.waitForLog("kelvara.rename: queues empty", 1, std::chrono::minutes(2)))
        << kelvara.log().tail();
    EXPECT_EQ(kelvara.terminate(), 0);
    // SIGTERM ends it the normal way: the state is saved.
    EXPECT_TRUE(fs::exists(kelvara.stateFile()));
    const auto after = snapshot(root);

    ASSERT_EQ(after.size(), before.size());
    for (const auto& [oldName, content] : before) {
        if (!expected.count(oldName))
            continue; // no file exiftool reads: must keep its name
        const std::string& newName = expected.at(oldName);
        ASSERT_TRUE(after.count(newName)) << oldName << " should be " << newName;
        EXPECT_EQ(after.at(newName), content) << newName;
    }
    for (const auto& [name, content] : before) {
        if (!expected.count(name)) {
            EXPECT_TRUE(after.count(name)) << name;
        }
    }
    std::size_t renamed = 0;
    for (const auto& [oldName, newName] : expected)
        renamed += oldName != newName;
    // 26 dated JPEGs, two dated HEIC photos and three of the odd names.
    EXPECT_GE(renamed, 31u);

    // A second run over the renamed photos looks at every file and changes
    // nothing.
    kelvara.start({QString::fromStdString(root.string())}, temp.path());
    ASSERT_TRUE(kelvara.waitForLog("kelvara.rename: queues empty")) << kelvara.log().tail();
    EXPECT_EQ(kelvara.logCount("kelvara.rename: kept"), after.size());
    EXPECT_EQ(kelvara.logCount("kelvara.rename: renamed"), 0u);
    EXPECT_EQ(kelvara.terminate(), 0);
    EXPECT_EQ(snapshot(root), after);
}
