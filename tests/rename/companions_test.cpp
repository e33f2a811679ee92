// SPDX-License-Identifier: GPL-3.0-or-later
// Companion files (sidecars, edit files, Live Photo videos) on copies of
// real photos: which files follow a photo, the prefix they take, the order in
// which the search may bring them, and every way the move of a photo with its
// companions can fail half-way, each with real files.

#include "platform/FileIdentity.h"
#include "platform/MoveFile.h"
#include "rename/CompanionMove.h"
#include "rename/Companions.h"
#include "rename/NewName.h"
#include "rename/PhotoReader.h"
#include "rename/RenameStep.h"
#include "support/CompanionFiles.h"
#include "support/LogCapture.h"
#include "support/StepQueues.h"
#include "support/TempDir.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>

using namespace kelvara;
using namespace kelvara::test;
namespace fs = std::filesystem;

namespace {

// The samples and the prefixes exiftool's reading of them gives at minute
// precision in the date_size_model_old layout (the first-start choice).
constexpr const char* Heic = "heic/IMG_5195.HEIC";
constexpr const char* HeicPrefix = "202104111547_2566x3313_iPhone11ProMax_";
constexpr const char* Canon = "jpg/Canon_40D.jpg";
constexpr const char* CanonPrefix = "200805301556_100x68_CanonEOS40D_";
constexpr const char* Dng = "../more-photos/raw/IMG_1361.dng";
constexpr const char* DngPrefix = "202012291424_4032x3024_iPhone12Pro_";
constexpr const char* Crw = "../more-photos/raw/exiv2-canon-powershot-s40.crw";
constexpr const char* CrwPrefix = "200504231754_2272x1704_CanonPowerShotS40_";

class CompanionsTest : public ::testing::Test, protected StepQueues {
protected:
    TempDir temp;
    NoEscape escape;
    TFixedNamingOptions options; // the first-start choice

    // Queues the files of `folder` named in `names`, in that order, as a
    // search could bring them, and runs one step for each.
    void renameInOrder(const fs::path& folder, const std::vector<std::string>& names) {
        TRenameStep step(worker, pending, options, escape);
        for (const std::string& name : names)
            worker.AddPath((folder / name).string());
        while (worker.FileCount() > 0)
            step.RenameNextFile();
    }

    // Every file of `folder`, in the order of its names.
    void renameAll(const fs::path& folder) { renameInOrder(folder, fileNames(folder)); }
};

// Checks that `after` holds exactly the files of `before`, each with its
// content, those in `moves` under their new names and the rest under their
// old ones.
void expectMoved(const std::map<std::string, std::string>& before,
                 const std::map<std::string, std::string>& after,
                 const std::map<std::string, std::string>& moves) {
    EXPECT_EQ(after.size(), before.size());
    for (const auto& [name, content] : before) {
        const auto move = moves.find(name);
        const std::string& now = move == moves.end() ? name : move->second;
        ASSERT_TRUE(after.count(now)) << name << " should be " << now;
        EXPECT_EQ(after.at(now), content) << now;
    }
}

// `names`, each with `prefix` in front, as the map expectMoved takes.
std::map<std::string, std::string> withPrefix(const std::string& prefix,
                                              const std::vector<std::string>& names) {
    std::map<std::string, std::string> moves;
    for (const std::string& name : names)
        moves[name] = prefix + name;
    return moves;
}

} // namespace

TEST_F(CompanionsTest, EveryKindOfCompanionTakesExactlyItsPhotosPrefix) {
    const fs::path folder = temp.path();
    copyPhoto(Heic, folder);
    copyPhoto(Canon, folder, "IMG_0001.JPG");
    copyPhoto(Dng, folder);
    copyPhoto(Crw, folder, "S40.crw");
    // Both sidecar styles, every extension, in lower and in upper case.
    const std::vector<std::string> heicCompanions = {"IMG_5195.HEIC.xmp", "IMG_5195.AAE",
                                                     "IMG_5195.MOV"};
    const std::vector<std::string> jpegCompanions = {"IMG_0001.JPG.XMP", "IMG_0001.JPG.pp3",
                                                     "IMG_0001.JPG.DOP", "IMG_0001.xmp",
                                                     "IMG_0001.aae",     "IMG_0001.mov"};
    const std::vector<std::string> dngCompanions = {
        "IMG_1361.dng.xmp", "IMG_1361.dng.PP3", "IMG_1361.dng.dop", "IMG_1361.XMP", "IMG_1361.AAE"};
    const std::vector<std::string> crwCompanions = {"S40.crw.XMP", "S40.xmp"};
    // Files that only look like companions: a backup, the stem in another
    // case, a mixed-case extension, a near name, a video beside RAW files,
    // an edit file or a video named after the whole name, a folder and a
    // link.
    const std::vector<std::string> lookAlikes = {
        "IMG_0001.xmp.bak", "img_0001.XMP",      "IMG_0001.Xmp",      "IMG_0001.JPG.Pp3",
        "IMG_00011.xmp",    "IMG_0001 .xmp",     "IMG_1361.MOV",      "S40.mov",
        "IMG_5195.mp4",     "IMG_5195.HEIC.aae", "IMG_5195.HEIC.MOV", "IMG_5195.AAE~",
        "IMG_0001.JPG.Xmp"};
    for (const auto* list :
         {&heicCompanions, &jpegCompanions, &dngCompanions, &crwCompanions, &lookAlikes})
        for (const std::string& name : *list)
            writeCompanion(folder, name);
    fs::create_directory(folder / "IMG_5195.xmp");
    fs::create_symlink(folder / "IMG_5195.MOV", folder / "IMG_5195.mov");

    const auto before = folderContents(folder);
    LogCapture log;
    renameAll(folder);

    std::map<std::string, std::string> moves;
    moves.merge(withPrefix(HeicPrefix, heicCompanions));
    moves.merge(withPrefix(HeicPrefix, {"IMG_5195.HEIC"}));
    moves.merge(withPrefix(CanonPrefix, jpegCompanions));
    moves.merge(withPrefix(CanonPrefix, {"IMG_0001.JPG"}));
    moves.merge(withPrefix(DngPrefix, dngCompanions));
    moves.merge(withPrefix(DngPrefix, {"IMG_1361.dng"}));
    moves.merge(withPrefix(CrwPrefix, crwCompanions));
    moves.merge(withPrefix(CrwPrefix, {"S40.crw"}));
    expectMoved(before, folderContents(folder), moves);
    EXPECT_TRUE(fs::is_directory(folder / "IMG_5195.xmp"));
    EXPECT_TRUE(fs::is_symlink(folder / "IMG_5195.mov"));

    // One line per companion moved, of its own wording; the step's one line
    // per file it took stays as it was: four photos renamed.
    const std::size_t companions =
        heicCompanions.size() + jpegCompanions.size() + dngCompanions.size() + crwCompanions.size();
    EXPECT_TRUE(log.waitFor("kelvara.rename: companion", companions)) << log.lines().tail();
    EXPECT_TRUE(log.waitFor("kelvara.rename: renamed", 4)) << log.lines().tail();
    EXPECT_EQ(log.count("kelvara.rename: companion"), companions);
    EXPECT_EQ(log.count("kelvara.rename: renamed"), 4u);
}

TEST_F(CompanionsTest, ACompanionComesBeforeOrAfterItsPhoto) {
    const fs::path folder = temp.path();
    copyPhoto(Heic, folder);
    writeCompanion(folder, "IMG_5195.MOV");
    writeCompanion(folder, "IMG_5195.AAE");
    const auto before = folderContents(folder);

    // Queued as a search lists them: one before its photo, one after.
    LogCapture log;
    for (const char* name : {"IMG_5195.MOV", "IMG_5195.HEIC", "IMG_5195.AAE"})
        worker.AddPath(temp.file(name));
    TRenameStep step(worker, pending, options, escape);
    // Before its photo: no image, skipped; it moves when the photo does.
    step.RenameNextFile();
    EXPECT_EQ(folderContents(folder), before);
    EXPECT_TRUE(log.waitFor("kelvara.rename: kept", 1)) << log.lines().tail();
    step.RenameNextFile();
    const auto moves = withPrefix(HeicPrefix, {"IMG_5195.HEIC", "IMG_5195.MOV", "IMG_5195.AAE"});
    expectMoved(before, folderContents(folder), moves);
    // After it: gone under its old name, skipped like any file that went.
    step.RenameNextFile();
    expectMoved(before, folderContents(folder), moves);
    EXPECT_TRUE(log.waitFor("kelvara.rename: kept", 2)) << log.lines().tail();
    EXPECT_EQ(log.count("kelvara.rename: renamed"), 1u);
    EXPECT_EQ(log.count("kelvara.rename: companion"), 2u);
}

TEST_F(CompanionsTest, AFileThatIsAnImageIsNeverACompanion) {
    const fs::path folder = temp.path();
    copyPhoto(Heic, folder);
    // Named as companions, but photos: a dated one gets its own name from
    // its own metadata, an undated one keeps its name.
    copyPhoto(Canon, folder, "IMG_5195.MOV");
    copyPhoto("jpg/orientation/landscape_6.jpg", folder, "IMG_5195.xmp");
    writeCompanion(folder, "IMG_5195.AAE");
    const auto before = folderContents(folder);

    renameInOrder(folder, {"IMG_5195.HEIC", "IMG_5195.MOV", "IMG_5195.xmp", "IMG_5195.AAE"});
    auto moves = withPrefix(HeicPrefix, {"IMG_5195.HEIC", "IMG_5195.AAE"});
    moves["IMG_5195.MOV"] = std::string(CanonPrefix) + "IMG_5195.MOV";
    expectMoved(before, folderContents(folder), moves);
}

TEST_F(CompanionsTest, RawAndJpegTwinsShareAStemSidecarWithTheFirstRenamed) {
    for (const bool rawFirst : {true, false}) {
        TempDir twins;
        const fs::path folder = twins.path();
        copyPhoto(Dng, folder, "IMG_0001.dng");
        copyPhoto(Canon, folder, "IMG_0001.JPG");
        for (const char* name :
             {"IMG_0001.xmp", "IMG_0001.MOV", "IMG_0001.dng.xmp", "IMG_0001.JPG.xmp"})
            writeCompanion(folder, name);
        const auto before = folderContents(folder);
        renameInOrder(folder, rawFirst ? std::vector<std::string>{"IMG_0001.dng", "IMG_0001.JPG"}
                                       : std::vector<std::string>{"IMG_0001.JPG", "IMG_0001.dng"});

        // The shared sidecar follows the first; the video only ever the JPEG.
        auto moves = withPrefix(DngPrefix, {"IMG_0001.dng", "IMG_0001.dng.xmp"});
        moves.merge(withPrefix(CanonPrefix, {"IMG_0001.JPG", "IMG_0001.JPG.xmp", "IMG_0001.MOV"}));
        moves["IMG_0001.xmp"] = (rawFirst ? DngPrefix : CanonPrefix) + std::string("IMG_0001.xmp");
        expectMoved(before, folderContents(folder), moves);
    }
}

TEST_F(CompanionsTest, TheLivePhotoVideoSitsOnlyBesideHeicHeifOrJpeg) {
    const fs::path folder = temp.path();
    struct Case {
        std::string photo;
        bool withVideo;
    };
    const Case cases[] = {
        {copyPhoto(Heic, folder), true},
        {copyPhoto("heic/samplefilehub.heif", folder), true},
        {copyPhoto(Canon, folder, "c.jpg"), true},
        {copyPhoto(Canon, folder, "d.JPEG"), true},
        {copyPhoto(Dng, folder), false},
        {copyPhoto(Crw, folder), false},
        {copyPhoto("tiff/Arbitro.tiff", folder), false},
    };
    for (const Case& c : cases) {
        const std::string stem = fs::path(c.photo).stem().string();
        writeCompanion(folder, stem + ".MOV");
        writeCompanion(folder, stem + ".aae");
        writeCompanion(folder, fs::path(c.photo).filename().string() + ".xmp");
    }
    for (const Case& c : cases) {
        const std::string name = fs::path(c.photo).filename().string();
        const std::string stem = fs::path(c.photo).stem().string();
        std::vector<std::string> expected = {name + ".xmp", stem + ".aae"};
        if (c.withVideo)
            expected.push_back(stem + ".MOV");
        std::vector<std::string> found;
        for (const TCompanion& companion : FindCompanions(c.photo)) {
            found.push_back(companion.name);
            EXPECT_EQ(companion.path, (folder / companion.name).string());
        }
        EXPECT_EQ(found, expected) << name;
    }
}

TEST_F(CompanionsTest, ATakenNewNameHoldsThePhotoAndItsCompanionsBack) {
    const fs::path folder = temp.path();
    copyPhoto(Heic, folder);
    writeCompanion(folder, "IMG_5195.AAE");
    writeCompanion(folder, "IMG_5195.MOV");
    writeFile(folder / (std::string(HeicPrefix) + "IMG_5195.MOV"), "someone else's video");
    const auto before = folderContents(folder);

    LogCapture log;
    renameAll(folder);
    EXPECT_EQ(folderContents(folder), before);
    EXPECT_TRUE(log.waitFor("kept \"" + temp.file("IMG_5195.HEIC") + "\" : companion IMG_5195.MOV"))
        << log.lines().tail();
    EXPECT_EQ(log.count("kelvara.rename: renamed"), 0u);
}

TEST_F(CompanionsTest, UnusableCompanionNamesHoldThePhotoBack) {
    // The photo's own new name just fits in 255 bytes; its darktable sidecar's
    // would not.
    const fs::path folder = temp.path();
    const std::string prefix = CanonPrefix;
    const std::string longName = std::string(MaxNameBytes - prefix.size() - 4, 'n') + ".jpg";
    ASSERT_TRUE(FitsNameLimits(prefix + longName));
    copyPhoto(Canon, folder, longName);
    writeCompanion(folder, longName + ".xmp");
    writeCompanion(folder, std::string(MaxNameBytes - prefix.size() - 4, 'n') + ".aae");
    auto before = folderContents(folder);
    {
        LogCapture log;
        renameAll(folder);
        EXPECT_EQ(folderContents(folder), before);
        // Refused by the check, before anything moved (not by the file
        // system, after the photo had).
        EXPECT_TRUE(log.waitFor("cannot stand in a folder or is too long")) << log.lines().tail();
        EXPECT_EQ(log.count("kelvara.rename: moved back"), 0u);
    }

    // A prefix that no name may hold (the step never makes one, the move
    // checks all the same): nothing moves.
    TempDir other;
    const std::string photo = copyPhoto(Canon, other.path(), "IMG_0002.JPG");
    writeCompanion(other.path(), "IMG_0002.xmp");
    before = folderContents(other.path());
    try {
        MovePhotoWithCompanions(photo, other.file("2008\x7f_IMG_0002.JPG"));
        ADD_FAILURE() << "the move went through";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::filename_too_long) << error.what();
    }
    EXPECT_EQ(folderContents(other.path()), before);
}

// The move of a photo with two companions, IMG_5195.AAE and IMG_5195.MOV,
// moved in that order, raced between the check and the moves.
class RacedMoveTest : public CompanionsTest {
protected:
    fs::path folder;
    std::string photo;
    std::map<std::string, std::string> before;

    void SetUp() override {
        folder = temp.path();
        photo = copyPhoto(Heic, folder);
        writeCompanion(folder, "IMG_5195.AAE");
        writeCompanion(folder, "IMG_5195.MOV");
        before = folderContents(folder);
    }
    std::string target() const {
        return (folder / (HeicPrefix + std::string("IMG_5195.HEIC"))).string();
    }
    fs::path renamed(const std::string& name) const { return folder / (HeicPrefix + name); }
};

TEST_F(RacedMoveTest, ACompanionThatGoesAfterThePhotoMovedMovesEverythingBack) {
    TCompanionMoveSeams seams;
    seams.move = [&](const std::string& from, const std::string& to) {
        MoveFileNoReplace(from, to);
        if (from == photo)
            fs::remove(folder / "IMG_5195.MOV");
    };
    LogCapture log;
    try {
        MovePhotoWithCompanions(photo, target(), seams);
        ADD_FAILURE() << "the move went through";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::no_such_file_or_directory) << error.what();
    }
    before.erase("IMG_5195.MOV");
    EXPECT_EQ(folderContents(folder), before);
    EXPECT_TRUE(log.waitFor("kelvara.rename: moved back", 2)) << log.lines().tail();
}

TEST_F(RacedMoveTest, ANameTakenAfterTheCheckMovesEverythingBackAndReplacesNothing) {
    TCompanionMoveSeams seams;
    seams.checked = [&] { writeFile(renamed("IMG_5195.MOV"), "someone else's video"); };
    EXPECT_THROW(MovePhotoWithCompanions(photo, target(), seams), std::system_error);
    before[HeicPrefix + std::string("IMG_5195.MOV")] = "someone else's video";
    EXPECT_EQ(folderContents(folder), before);

    // Through the step, with the same race set up before it looks: the
    // check itself finds the name taken.
    renameInOrder(folder, {"IMG_5195.HEIC"});
    EXPECT_EQ(folderContents(folder), before);
}

// Between the last check of the names and the moves, another file takes a
// companion's name or the photo's own, or the video goes: nothing moves, and
// the newcomer keeps the name it took.
TEST_F(RacedMoveTest, AFileSwappedInBeforeTheMovesHoldsEverythingBack) {
    const std::string otherPhoto = readFile(photosDir() / "jpg/Nikon_D70.jpg");
    struct Case {
        const char* name;
        std::string content;
        int expected; // errno
    };
    const Case cases[] = {
        {"IMG_5195.AAE", "someone else's edits", ESTALE},
        {"IMG_5195.HEIC", otherPhoto, ESTALE},
        {"IMG_5195.MOV", "", ENOENT},
    };
    for (const Case& c : cases) {
        TempDir raced;
        folder = raced.path();
        photo = copyPhoto(Heic, folder);
        writeCompanion(folder, "IMG_5195.AAE");
        writeCompanion(folder, "IMG_5195.MOV");
        // The photo as the reader read it, its companions as it found them.
        const std::optional<TFileIdentity> read = FileIdentityAt(photo);
        const std::vector<TCompanion> found = FindCompanions(photo);
        ASSERT_EQ(found.size(), 2u);
        TCompanionMoveSeams seams;
        seams.checked = [&] {
            const fs::path path = folder / c.name;
            if (c.content.empty()) {
                fs::remove(path);
            } else {
                writeFile(folder / "incoming", c.content);
                fs::rename(folder / "incoming", path);
            }
        };
        auto expected = folderContents(folder);
        if (c.content.empty())
            expected.erase(c.name);
        else
            expected[c.name] = c.content;
        try {
            MovePhotoWithCompanions(photo, target(), seams, found, read);
            ADD_FAILURE() << c.name << ": the move went through";
        } catch (const std::system_error& error) {
            EXPECT_EQ(error.code().value(), c.expected) << error.what();
        }
        EXPECT_EQ(folderContents(folder), expected) << c.name;
    }
}

TEST_F(RacedMoveTest, AnyFailureOfACompanionsMoveIsUndone) {
    // Not only a system error: whatever the move throws.
    TCompanionMoveSeams seams;
    seams.move = [](const std::string& from, const std::string& to) {
        if (from.ends_with(".MOV"))
            throw std::runtime_error("out of luck");
        MoveFileNoReplace(from, to);
    };
    EXPECT_THROW(MovePhotoWithCompanions(photo, target(), seams), std::runtime_error);
    EXPECT_EQ(folderContents(folder), before);
}

TEST_F(RacedMoveTest, WhenAMoveBackFailsNothingIsLost) {
    // The video's new name is taken after the check, and then the old name
    // of what has already moved is taken too: that one cannot move back.
    // Everything that moved keeps its new name, the rest its old one; the
    // photo has its new name, half-way (the step says so, not "renamed").
    struct Case {
        const char* oldNameTaken;
        std::vector<std::string> keepNewNames;
    };
    const Case cases[] = {
        // The edit file cannot move back: it stays with the photo.
        {"IMG_5195.AAE", {"IMG_5195.HEIC", "IMG_5195.AAE"}},
        // The edit file moves back, the photo cannot.
        {"IMG_5195.HEIC", {"IMG_5195.HEIC"}},
    };
    for (const Case& c : cases) {
        TempDir raced;
        folder = raced.path();
        photo = copyPhoto(Heic, folder);
        writeCompanion(folder, "IMG_5195.AAE");
        writeCompanion(folder, "IMG_5195.MOV");
        before = folderContents(folder);

        TCompanionMoveSeams seams;
        seams.checked = [&] { writeFile(renamed("IMG_5195.MOV"), "someone else's video"); };
        seams.move = [&](const std::string& from, const std::string& to) {
            MoveFileNoReplace(from, to);
            if (fs::path(from).filename() == c.oldNameTaken)
                writeFile(from, "a newcomer");
        };
        LogCapture log;
        TMoveOutcome outcome = TMoveOutcome::Renamed;
        EXPECT_NO_THROW(outcome = MovePhotoWithCompanions(photo, target(), seams).outcome)
            << c.oldNameTaken;
        EXPECT_EQ(outcome, TMoveOutcome::HalfWay) << c.oldNameTaken;

        auto expected = before;
        for (const std::string& name : c.keepNewNames) {
            expected[HeicPrefix + name] = expected.at(name);
            expected.erase(name);
        }
        expected[c.oldNameTaken] = "a newcomer";
        expected[HeicPrefix + std::string("IMG_5195.MOV")] = "someone else's video";
        EXPECT_EQ(folderContents(folder), expected) << c.oldNameTaken;
        EXPECT_TRUE(log.waitFor("kelvara.rename: cannot move back")) << log.lines().tail();
    }
}

namespace {

// What the calling thread has had from read calls so far
// (/proc/thread-self/io).
std::uint64_t BytesReadByThisThread() {
    FILE* io = std::fopen("/proc/thread-self/io", "r");
    if (io == nullptr)
        throw std::runtime_error("no /proc/thread-self/io");
    char line[128];
    std::uint64_t value = 0;
    while (std::fgets(line, sizeof line, io) != nullptr)
        if (std::strncmp(line, "rchar:", 6) == 0)
            value = std::strtoull(line + 6, nullptr, 10);
    std::fclose(io);
    return value;
}

// With videos renamed too, a Live Photo's MOV that comes before its photo
// (or after, or with no identifier on either side) waits for the photo and
// moves with it; a name twin from another phone, whose identifier differs,
// is a video of its own and takes its own date.
TEST_F(CompanionsTest, WithVideosOnALivePhotosVideoStillMovesOnlyWithItsPhoto) {
    class VideosOn : public TFixedNamingOptions {
    public:
        bool VideosToo() const override { return true; }
    } videosOn;
    const fs::path folder = temp.path();
    const fs::path videos = photosDir() / "../videos";
    copyPhoto(Heic, folder, "IMG_5195.HEIC");
    fs::copy_file(videos / "IMG_5195.MOV", folder / "IMG_5195.MOV");
    copyPhoto(Heic, folder, "IMG_5196.HEIC");
    fs::copy_file(videos / "IMG_5195-other-phone.MOV", folder / "IMG_5196.MOV");
    copyPhoto(Canon, folder, "IMG_5197.JPG"); // no identifier
    fs::copy_file(videos / "IMG_5195.MOV", folder / "IMG_5197.MOV");
    copyPhoto(Heic, folder, "IMG_5198.HEIC");
    fs::copy_file(videos / "IMG_5195.MOV", folder / "IMG_5198.MOV");
    const auto before = folderContents(folder);

    LogCapture log;
    {
        TRenameStep step(worker, pending, videosOn, escape);
        for (const char* name : {"IMG_5195.MOV", "IMG_5196.MOV", "IMG_5197.MOV", "IMG_5195.HEIC",
                                 "IMG_5196.HEIC", "IMG_5197.JPG", "IMG_5198.HEIC", "IMG_5198.MOV"})
            worker.AddPath((folder / name).string());
        while (worker.FileCount() > 0)
            step.RenameNextFile();
    }
    auto moves = withPrefix(HeicPrefix, {"IMG_5195.HEIC", "IMG_5195.MOV", "IMG_5196.HEIC",
                                         "IMG_5198.HEIC", "IMG_5198.MOV"});
    moves.merge(withPrefix(CanonPrefix, {"IMG_5197.JPG", "IMG_5197.MOV"}));
    moves["IMG_5196.MOV"] = "202104121800_160x120_iPhone12_IMG_5196.MOV";
    expectMoved(before, folderContents(folder), moves);
    // The step's lines come through a pipe.
    ASSERT_TRUE(log.waitFor("\" : moved with its photo")) << log.lines().tail();
    EXPECT_EQ(log.count("the Live Photo video of"), 2u) << log.lines().tail();
    EXPECT_EQ(log.count("kelvara.rename: renamed"), 5u) << log.lines().tail();
}

// As the program runs: the reader thread reads each photo and looks up its
// companions ahead of the step, so the step only checks and moves.
class ReaderCompanionsTest : public CompanionsTest {
protected:
    // Queues `names` of `folder` in that order and runs steps until all are
    // passed; returns what the steps that took a file read, on this thread.
    std::uint64_t renameWithReader(const fs::path& folder, const std::vector<std::string>& names) {
        TPhotoReaderThread reader(worker);
        TRenameStep step(worker, pending, options, escape, &reader);
        for (const std::string& name : names)
            worker.AddPath((folder / name).string());
        std::uint64_t read = 0;
        while (worker.FileCount() > 0) {
            // A look at the counter is a read too: what one costs is taken
            // off (give or take a digit of the counter itself).
            const std::uint64_t first = BytesReadByThisThread();
            const std::uint64_t before = BytesReadByThisThread();
            const std::size_t queued = worker.FileCount();
            step.RenameNextFile(); // does nothing until the reader has the front file
            const std::uint64_t after = BytesReadByThisThread();
            if (worker.FileCount() < queued)
                read += after - before - (before - first);
            else
                std::this_thread::yield();
        }
        return read;
    }
};

} // namespace

// The reader looks up the second twin's companions while the step moves the
// first with the sidecar they share, or after: either way the sidecar moves
// once, with the first, and nothing is lost or replaced.
TEST_F(ReaderCompanionsTest, TwinsShareTheirSidecarWithTheFirstAlsoWhenFoundAhead) {
    for (int round = 0; round < 6; ++round) {
        const bool rawFirst = round % 2 == 0;
        TempDir twins;
        const fs::path folder = twins.path();
        copyPhoto(Dng, folder, "IMG_0001.dng");
        copyPhoto(Canon, folder, "IMG_0001.JPG");
        for (const char* name : {"IMG_0001.xmp", "IMG_0001.MOV", "IMG_0001.dng.xmp"})
            writeCompanion(folder, name);
        const auto before = folderContents(folder);
        renameWithReader(folder, rawFirst
                                     ? std::vector<std::string>{"IMG_0001.dng", "IMG_0001.JPG"}
                                     : std::vector<std::string>{"IMG_0001.JPG", "IMG_0001.dng"});

        auto moves = withPrefix(DngPrefix, {"IMG_0001.dng", "IMG_0001.dng.xmp"});
        moves.merge(withPrefix(CanonPrefix, {"IMG_0001.JPG", "IMG_0001.MOV"}));
        moves["IMG_0001.xmp"] = (rawFirst ? DngPrefix : CanonPrefix) + std::string("IMG_0001.xmp");
        expectMoved(before, folderContents(folder), moves);
    }
}

// A Live Photo with its edit file and a video of some size: the step on the
// main thread reads not one byte, the companions' image test included.
TEST_F(ReaderCompanionsTest, TheStepReadsNothingOfAPhotoNorOfItsCompanions) {
    const fs::path folder = temp.path();
    copyPhoto(Heic, folder);
    writeCompanion(folder, "IMG_5195.AAE");
    writeCompanion(folder, "IMG_5195.MOV", 4u << 20);
    const auto before = folderContents(folder);

    // The edit file alone is some hundred bytes, the video's head 64 KiB.
    EXPECT_LT(renameWithReader(folder, {"IMG_5195.HEIC"}), 8u);
    expectMoved(before, folderContents(folder),
                withPrefix(HeicPrefix, {"IMG_5195.HEIC", "IMG_5195.AAE", "IMG_5195.MOV"}));
}

// Companions found ahead are checked again when the photo moves: one that
// went since is left out, the others move; one whose new name was taken
// since holds everything back.
TEST_F(CompanionsTest, CompanionsFoundAheadAreCheckedAgainAtTheMove) {
    const fs::path folder = temp.path();
    const std::string photo = copyPhoto(Heic, folder);
    writeCompanion(folder, "IMG_5195.AAE");
    writeCompanion(folder, "IMG_5195.MOV");
    const std::vector<TCompanion> found = FindCompanions(photo);
    ASSERT_EQ(found.size(), 2u);
    const std::string target = (folder / (HeicPrefix + std::string("IMG_5195.HEIC"))).string();

    writeFile(folder / (std::string(HeicPrefix) + "IMG_5195.MOV"), "taken since");
    auto before = folderContents(folder);
    EXPECT_THROW(MovePhotoWithCompanions(photo, target, {}, found), std::system_error);
    EXPECT_EQ(folderContents(folder), before);

    fs::remove(folder / (std::string(HeicPrefix) + "IMG_5195.MOV"));
    fs::remove(folder / "IMG_5195.MOV");
    before = folderContents(folder);
    EXPECT_EQ(MovePhotoWithCompanions(photo, target, {}, found).leftOut,
              std::vector<std::string>{"IMG_5195.MOV"});
    expectMoved(before, folderContents(folder),
                withPrefix(HeicPrefix, {"IMG_5195.HEIC", "IMG_5195.AAE"}));
}
