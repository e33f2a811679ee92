// SPDX-License-Identifier: GPL-3.0-or-later
// The rename on the file systems photos really live on: a camera card's
// exFAT (through exfat-fuse, which refuses both RENAME_NOREPLACE and hard
// links, so the last of the no-replace ways does the work) and a tmpfs.
// Each is mounted for real in a private mount namespace; without root the
// tests skip.

#include "photo/PhotoMetadataLibrary.h"
#include "platform/MoveFile.h"
#include "rename/NamingOptions.h"
#include "rename/RenameStep.h"
#include "search/FindFileThread.h"
#include "support/CompanionFiles.h"
#include "support/Exiftool.h"
#include "support/ExpectedNames.h"
#include "support/StepQueues.h"
#include "support/TempDir.h"
#include "support/Volumes.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <system_error>

using namespace kelvara;
using namespace kelvara::test;
namespace fs = std::filesystem;

namespace {

// Photos of several makers, the Samsung among them: its model,
// "<Digimax i50 MP3, Samsung #1 MP3>", holds what FAT and exFAT refuse.
const char* const SamplePhotos[] = {
    "jpg/Canon_40D.jpg",
    "jpg/Samsung_Digimax_i50_MP3.jpg",
    "jpg/Nikon_D70.jpg",
    "jpg/Pentax_K10D.jpg",
    "jpg/Kodak_CX7530.jpg",
    "jpg/Olympus_C8080WZ.jpg",
    "jpg/Fujifilm_FinePix_E500.jpg",
    "heic/IMG_5195.HEIC",
};

// What a FAT volume refuses in a name.
bool ValidOnFat(const std::string& name) {
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F ||
            std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
            return false;
    return !name.empty() && name.back() != '.' && name.back() != ' ';
}

enum class Volume { Tmpfs, Exfat };

class RealFileSystems : public ::testing::TestWithParam<Volume> {
protected:
    static void SetUpTestSuite() { s_whyNot = EnterPrivateMountNamespace(); }

    void SetUp() override {
        if (!s_whyNot.empty())
            GTEST_SKIP() << "no mounts here: " << s_whyNot;
        m_root = m_temp.path() / "volume";
        try {
            if (GetParam() == Volume::Tmpfs)
                m_tmpfs = std::make_unique<TmpfsVolume>(m_root);
            else
                m_exfat = std::make_unique<ExfatVolume>(m_temp.path() / "card.img", m_root);
        } catch (const std::exception& error) {
            GTEST_SKIP() << "cannot mount the volume here: " << error.what();
        }
    }

    // Queues every path, then runs steps until all are taken.
    void renameAll(const std::vector<std::string>& paths) {
        TCriticalSection lock;
        TFindFileThread worker(lock); // never resumed: the files go straight in
        TPathList pending;
        TFixedNamingOptions options;
        NoEscape escape;
        TRenameStep step(worker, pending, options, escape);
        for (const std::string& path : paths)
            worker.AddPath(path);
        while (worker.FileCount() > 0)
            step.RenameNextFile();
    }

    static inline std::string s_whyNot;
    TPhotoMetadataLibrary m_library;
    TempDir m_temp;
    fs::path m_root;
    std::unique_ptr<TmpfsVolume> m_tmpfs;
    std::unique_ptr<ExfatVolume> m_exfat;
};

std::string volumeName(const ::testing::TestParamInfo<Volume>& info) {
    return info.param == Volume::Tmpfs ? "Tmpfs" : "Exfat";
}

} // namespace

TEST_P(RealFileSystems, SamplePhotosGetTheNamesAnIndependentReaderGivesThem) {
    if (!exiftoolAvailable())
        GTEST_SKIP() << "exiftool is not installed";
    std::map<std::string, std::string> contents;
    std::vector<std::string> paths;
    for (const char* sample : SamplePhotos) {
        paths.push_back(copyPhoto(sample, m_root));
        contents[fs::path(sample).filename().string()] = readFile(paths.back());
    }
    const auto expected = exiftoolNames(m_root, {"JPEG", "HEIC"});
    renameAll(paths);

    std::set<std::string> wanted;
    for (const auto& [old, renamed] : expected) {
        wanted.insert(renamed);
        EXPECT_TRUE(ValidOnFat(renamed)) << renamed;
        EXPECT_EQ(readFile(m_root / renamed), contents.at(old)) << old;
    }
    const auto names = fileNames(m_root);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), wanted);
    EXPECT_TRUE(
        wanted.count("200608151750_100x75_Digimaxi50MP3,Samsung#1MP3_Samsung_Digimax_i50_MP3.jpg"));
}

TEST_P(RealFileSystems, ATargetThatDiffersOnlyInCaseIsNeverReplaced) {
    const std::string photo = copyPhoto("jpg/Canon_40D.jpg", m_root, "IMG_1.jpg");
    const std::string content = readFile(photo);
    writeFile(m_root / "200805301556_100X68_CANONEOS40D_IMG_1.JPG", "someone else's file");
    renameAll({photo});

    EXPECT_EQ(readFile(m_root / "200805301556_100X68_CANONEOS40D_IMG_1.JPG"),
              "someone else's file");
    if (GetParam() == Volume::Exfat) {
        // One name to the card: the photo keeps its own.
        EXPECT_EQ(
            fileNames(m_root),
            (std::vector<std::string>{"200805301556_100X68_CANONEOS40D_IMG_1.JPG", "IMG_1.jpg"}));
        EXPECT_EQ(readFile(photo), content);
    } else {
        // Two names to Linux: both stand side by side.
        EXPECT_EQ(readFile(m_root / "200805301556_100x68_CanonEOS40D_IMG_1.jpg"), content);
        EXPECT_EQ(fileNames(m_root).size(), 2u);
    }
}

TEST_P(RealFileSystems, EveryNoReplaceWayKeepsEveryFile) {
    using Way = void (*)(const std::string&, const std::string&);
    const std::pair<const char*, Way> ways[] = {{"renameat2", &RenameNoReplace},
                                                {"link", &LinkThenUnlink},
                                                {"test-then-rename", &TestThenRename},
                                                {"any", &MoveFileNoReplace}};
    for (const auto& [name, way] : ways) {
        const fs::path folder = m_root / name;
        fs::create_directories(folder);
        writeFile(folder / "photo", "photo");
        writeFile(folder / "Taken", "other");
        try {
            way((folder / "photo").string(), (folder / "renamed").string());
        } catch (const std::system_error& error) {
            // exfat-fuse refuses the first two ways; the photo is untouched.
            EXPECT_EQ(GetParam(), Volume::Exfat) << name << ": " << error.what();
        }
        const auto names = fileNames(folder);
        EXPECT_EQ(names.size(), 2u) << name;
        const fs::path photo =
            fs::exists(folder / "renamed") ? folder / "renamed" : folder / "photo";
        EXPECT_EQ(readFile(photo), "photo") << name;
        // An existing name is never replaced, however it is spelt.
        const std::string target = GetParam() == Volume::Exfat ? "taken" : "Taken";
        EXPECT_THROW(way(photo.string(), (folder / target).string()), std::system_error) << name;
        EXPECT_EQ(readFile(folder / "Taken"), "other") << name;
        EXPECT_EQ(readFile(photo), "photo") << name;
    }
    // Whatever the card refuses, the fallback chain renames.
    writeFile(m_root / "last", "photo");
    MoveFileNoReplace((m_root / "last").string(), (m_root / "last-renamed").string());
    EXPECT_EQ(readFile(m_root / "last-renamed"), "photo");
    EXPECT_FALSE(fs::exists(m_root / "last"));
}

TEST_P(RealFileSystems, CameraModelsWithForbiddenCharactersGiveNamesTheCardHolds) {
    if (!exiftoolAvailable())
        GTEST_SKIP() << "exiftool is not installed";
    const char* const models[] = {"a<b",
                                  "a>b",
                                  "a:b",
                                  "a\"b",
                                  "a/b",
                                  "a\\b",
                                  "a|b",
                                  "a?b",
                                  "a*b",
                                  "a\x01"
                                  "b",
                                  "a\x1f"
                                  "b",
                                  "a\x7f"
                                  "b"};
    std::vector<std::string> paths, contents;
    for (const char* model : models) {
        const std::string path =
            copyPhoto("jpg/Canon_40D.jpg", m_root, "m" + std::to_string(paths.size()) + ".jpg");
        runExiftool({"-overwrite_original", std::string("-IFD0:Model=") + model, path});
        paths.push_back(path);
        contents.push_back(readFile(path));
    }
    renameAll(paths);
    EXPECT_EQ(fileNames(m_root).size(), std::size(models));
    for (std::size_t n = 0; n < std::size(models); ++n) {
        const std::string expected = "200805301556_100x68_ab_m" + std::to_string(n) + ".jpg";
        ASSERT_TRUE(fs::exists(m_root / expected)) << expected;
        EXPECT_TRUE(ValidOnFat(expected));
        EXPECT_EQ(readFile(m_root / expected), contents[n]) << expected;
    }
}

TEST_P(RealFileSystems, CompanionsFollowTheirPhotoOnceWhateverTheCaseOfTheirExtension) {
    // A card ignores letter case: "IMG_5195.xmp" and "IMG_5195.XMP" name one
    // file there, found under both spellings; it moves once and keeps its
    // own spelling after the prefix. A stem in another case is no companion
    // there either. On tmpfs the other spellings find nothing.
    const std::string photo = copyPhoto("heic/IMG_5195.HEIC", m_root);
    const std::vector<std::string> companions = {"IMG_5195.xmp", "IMG_5195.HEIC.pp3",
                                                 "IMG_5195.MOV"};
    for (const std::string& name : companions)
        writeCompanion(m_root, name);
    writeCompanion(m_root, "img_5195.aae");
    const auto before = folderContents(m_root);
    renameAll({photo});

    const std::string prefix = "202104111547_2566x3313_iPhone11ProMax_";
    const auto after = folderContents(m_root);
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(after.at("img_5195.aae"), before.at("img_5195.aae"));
    for (const auto& [name, content] : before) {
        if (name == "img_5195.aae")
            continue;
        ASSERT_TRUE(after.count(prefix + name)) << name;
        EXPECT_EQ(after.at(prefix + name), content) << name;
        EXPECT_TRUE(ValidOnFat(prefix + name)) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(, RealFileSystems, ::testing::Values(Volume::Tmpfs, Volume::Exfat),
                         volumeName);
