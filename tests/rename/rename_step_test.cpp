// SPDX-License-Identifier: GPL-3.0-or-later
// The rename step on copies of real photos: the names it gives at each
// precision and layout, and every case in which a file must keep its name.

#include "photo/ImageTest.h"
#include "photo/PhotoMetadataLibrary.h"
#include "platform/MoveFile.h"
#include "rename/NewName.h"
#include "rename/PhotoReader.h"
#include "rename/RenameStep.h"
#include "support/Exiftool.h"
#include "support/LogCapture.h"
#include "support/StepQueues.h"
#include "support/TempDir.h"
#include "support/ZoneSetting.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <unistd.h>
#include <utility>

using namespace kelvara;
using namespace kelvara::test;
namespace fs = std::filesystem;

namespace {

class FakeEscape : public IEscapeKey {
public:
    bool down = false;
    // Thrown by the next look at the key, once.
    std::function<void()> failure;
    bool Pressed() override {
        if (failure)
            std::exchange(failure, nullptr)();
        return down;
    }
};

// The first-start options, except that the next reads throw what they are
// given, one each, in order: what a library deep below may throw that
// nobody expects.
class FailingOptions : public INamingOptions {
public:
    mutable std::vector<std::function<void()>> failures;
    std::string DatePattern() const override {
        FailOnce();
        return DatePatternMinute;
    }
    TNameLayout Layout() const override {
        FailOnce();
        return TNameLayout::DateFile;
    }

private:
    void FailOnce() const {
        if (failures.empty())
            return;
        const auto failure = failures.front();
        failures.erase(failures.begin());
        failure();
    }
};

// Canon_40D.jpg: taken 2008:05:30 15:56:01, 100 x 68 pixels, "Canon EOS 40D"
// (as exiftool reads it).
constexpr const char* Canon = "jpg/Canon_40D.jpg";

class RenameStepTest : public ::testing::Test, protected StepQueues {
protected:
    TempDir temp;
    FakeEscape escape;
    TFixedNamingOptions options;

    // Queues `path`, runs one step with the given options and tells what the
    // folder holds afterwards.
    std::vector<std::string> renameOnce(const std::string& path, const char* pattern,
                                        TNameLayout layout) {
        options = TFixedNamingOptions(pattern, layout);
        TRenameStep step(worker, pending, options, escape);
        worker.AddPath(path);
        step.RenameNextFile();
        EXPECT_TRUE(pending.empty());
        return fileNames(fs::path(path).parent_path());
    }
};

} // namespace

TEST_F(RenameStepTest, NamesFollowThePrecisionAndTheLayout) {
    struct Case {
        const char* pattern;
        TNameLayout layout;
        const char* expected;
    };
    const Case cases[] = {
        {DatePatternDay, TNameLayout::DateFile, "20080530_Canon_40D.jpg"},
        {DatePatternMinute, TNameLayout::DateModelFile, "200805301556_CanonEOS40D_Canon_40D.jpg"},
        {DatePatternSecond, TNameLayout::DateSizeFile, "20080530155601_100x68_Canon_40D.jpg"},
        {DatePatternMinute, TNameLayout::DateSizeModelFile,
         "200805301556_100x68_CanonEOS40D_Canon_40D.jpg"},
    };
    for (const Case& c : cases) {
        TempDir folder;
        const std::string original = readFile(photosDir() / Canon);
        const std::string path = copyPhoto(Canon, folder.path());
        EXPECT_EQ(renameOnce(path, c.pattern, c.layout), std::vector<std::string>{c.expected});
        EXPECT_EQ(readFile(folder.path() / c.expected), original);
    }
}

TEST_F(RenameStepTest, DatedNamesStayAndALongerDateGoesInFront) {
    const std::string path = copyPhoto(Canon, temp.path());
    EXPECT_EQ(renameOnce(path, DatePatternDay, TNameLayout::DateFile),
              std::vector<std::string>{"20080530_Canon_40D.jpg"});
    // The same file again at the same precision: its name holds the date.
    EXPECT_EQ(renameOnce(temp.file("20080530_Canon_40D.jpg"), DatePatternDay,
                         TNameLayout::DateSizeModelFile),
              std::vector<std::string>{"20080530_Canon_40D.jpg"});
    // At minute precision the longer text is not in the name yet.
    EXPECT_EQ(
        renameOnce(temp.file("20080530_Canon_40D.jpg"), DatePatternMinute, TNameLayout::DateFile),
        std::vector<std::string>{"200805301556_20080530_Canon_40D.jpg"});
    // A name that already holds the date anywhere is left alone.
    TempDir other;
    const std::string dated = copyPhoto(Canon, other.path(), "IMG_20080530_x.jpg");
    EXPECT_EQ(renameOnce(dated, DatePatternDay, TNameLayout::DateFile),
              std::vector<std::string>{"IMG_20080530_x.jpg"});
}

TEST_F(RenameStepTest, FilesWithoutADateOrLayoutOrImageKeepTheirNames) {
    const std::string undated = copyPhoto("jpg/orientation/landscape_6.jpg", temp.path());
    writeFile(temp.path() / "notes.jpg", "not a photo at all");
    writeFile(temp.path() / "drawing.svg",
              "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'/>");
    writeFile(temp.path() / "empty.jpg", "");
    const std::string photo = readFile(photosDir() / Canon);
    writeFile(temp.path() / "truncated.jpg", photo.substr(0, 20));
    fs::create_directory(temp.path() / "folder.jpg");
    const std::string dated = copyPhoto(Canon, temp.path(), "a.jpg");

    const auto before = fileNames(temp.path());
    for (const char* name : {"landscape_6.jpg", "notes.jpg", "drawing.svg", "empty.jpg",
                             "truncated.jpg", "folder.jpg", "gone.jpg"})
        renameOnce(temp.file(name), DatePatternMinute, TNameLayout::DateSizeModelFile);
    // No layout chosen: even a dated photo keeps its name.
    renameOnce(dated, DatePatternMinute, TNameLayout::None);
    EXPECT_EQ(fileNames(temp.path()), before);
    EXPECT_TRUE(fs::is_directory(temp.path() / "folder.jpg"));
    EXPECT_FALSE(IsImageFile(undated.substr(0, undated.size() - 1)));
}

TEST_F(RenameStepTest, AnExistingTargetIsNeverReplaced) {
    const std::string path = copyPhoto(Canon, temp.path());
    writeFile(temp.path() / "20080530_Canon_40D.jpg", "someone else's file");
    renameOnce(path, DatePatternDay, TNameLayout::DateFile);
    EXPECT_EQ(readFile(temp.path() / "20080530_Canon_40D.jpg"), "someone else's file");
    EXPECT_EQ(readFile(path), readFile(photosDir() / Canon));
}

// The file renamed is the file that was read. The reader reads the Canon;
// before its turn another photo (the Nikon, taken on another day) takes its
// name, as a new file or written over it: it keeps the name, and neither
// date goes in front of it. Queued again, it is read in its own turn.
TEST_F(RenameStepTest, APhotoSwappedAfterItsReadKeepsItsNameUntilItIsReadItself) {
    const std::string nikon = readFile(photosDir() / "jpg/Nikon_D70.jpg");
    const std::function<void(const std::string&)> swaps[] = {
        [&](const std::string& path) {
            writeFile(path + ".new", nikon);
            fs::rename(path + ".new", path);
        },
        [&](const std::string& path) { writeFile(path, nikon); },
    };
    for (const auto& swap : swaps) {
        TempDir folder;
        LogCapture log;
        TPhotoReaderThread reader(worker);
        options = TFixedNamingOptions(DatePatternDay, TNameLayout::DateFile);
        TRenameStep step(worker, pending, options, escape, &reader);
        const std::string path = copyPhoto(Canon, folder.path(), "IMG_0001.jpg");
        worker.AddPath(path);
        ASSERT_TRUE(log.waitFor("kelvara.rename: prepared")) << log.lines().tail();
        swap(path);
        step.RenameNextFile();
        EXPECT_TRUE(log.waitFor("kelvara.rename: kept")) << log.lines().tail();
        EXPECT_EQ(fileNames(folder.path()), std::vector<std::string>{"IMG_0001.jpg"});
        EXPECT_EQ(readFile(path), nikon);

        worker.AddPath(path);
        ASSERT_TRUE(log.waitFor("kelvara.rename: prepared", 2)) << log.lines().tail();
        step.RenameNextFile();
        EXPECT_EQ(fileNames(folder.path()), std::vector<std::string>{"20080315_IMG_0001.jpg"});
        EXPECT_EQ(readFile(folder.path() / "20080315_IMG_0001.jpg"), nikon);
    }
}

// The videos choice as the window gives it, read at every step.
class VideoChoiceOptions : public TFixedNamingOptions {
public:
    bool videos = false;
    bool VideosToo() const override { return videos; }
};

// The sample videos (tests/data/videos) beside a photo, read ahead by the
// reader thread as in the program, on a machine in Berlin: a movie header's
// UTC comes out in winter (+1) and in summer time (+2), a date with its own
// offset keeps its own clock, a zero date or a video cut before its movie
// box keeps its name. With the choice off only the photo moves; a change of
// the choice applies from the next file on, even one read already.
TEST_F(RenameStepTest, VideosTakeTheirLocalTimeOnlyWhileTheChoiceIsOn) {
    ZoneSetting berlin("Europe/Berlin");
    const fs::path folder = temp.path();
    const auto sample = [&](const char* name, const char* as) {
        return copyPhoto(std::string("../videos/") + name, folder, as);
    };
    copyPhoto(Canon, folder, "IMG_0001.jpg");
    sample("utc-january.mp4", "MVI_0002.MP4"); // the movie box at the end
    sample("utc-july-faststart.mp4", "MVI_0003.MP4");
    sample("userdata-day.mov", "MVI_0004.MOV");
    sample("utc-zero.mp4", "MVI_0005.MP4");
    const std::string whole = readFile(photosDir() / "../videos/utc-january.mp4");
    writeFile(folder / "MVI_0006.MP4", whole.substr(0, whole.size() / 2));
    const auto before = snapshot(folder);

    LogCapture log;
    TPhotoReaderThread reader(worker);
    VideoChoiceOptions choice;
    TRenameStep step(worker, pending, choice, escape, &reader);
    std::size_t prepared = 0;
    // Queues `name`, waits until the reader has it and calls `between`, then
    // runs the step.
    const auto renameOne = [&](const std::string& name, const std::function<void()>& between) {
        worker.AddPath((folder / name).string());
        ASSERT_TRUE(log.waitFor("kelvara.rename: prepared", ++prepared)) << log.lines().tail();
        if (between)
            between();
        step.RenameNextFile();
    };
    for (const std::string& name : fileNames(folder))
        renameOne(name, {});
    const std::string photo = "200805301556_100x68_CanonEOS40D_IMG_0001.jpg";
    auto expected = before;
    expected[photo] = expected.extract("IMG_0001.jpg").mapped();
    EXPECT_EQ(snapshot(folder), expected) << "videos keep their names with the choice off";

    choice.videos = true;
    for (const std::string& name : fileNames(folder))
        renameOne(name, {});
    const std::map<std::string, std::string> renamed = {
        {"MVI_0002.MP4", "202401151230_160x120__MVI_0002.MP4"},
        {"MVI_0003.MP4", "202407151330_160x120__MVI_0003.MP4"},
        {"MVI_0004.MOV", "202306010800_160x120_DSC-RX100_MVI_0004.MOV"},
    };
    for (const auto& [old, now] : renamed)
        expected[now] = expected.extract(old).mapped();
    EXPECT_EQ(snapshot(folder), expected) << "each video renamed, its content as it was";
    EXPECT_TRUE(log.waitFor("kelvara.rename: date of \"" + (folder / "MVI_0002.MP4").string() +
                            "\" from movie header (UTC, local time here)"));
    EXPECT_TRUE(log.waitFor("kelvara.rename: date of \"" + (folder / "MVI_0004.MOV").string() +
                            "\" from user data date"));
    EXPECT_TRUE(log.waitFor("\"" + (folder / "MVI_0006.MP4").string() +
                            "\" : no shooting date: no movie box"))
        << log.lines().tail();

    // Read with the choice off, stepped with it on, and the other way round.
    sample("utc-january.mp4", "MVI_0007.MP4");
    choice.videos = false;
    step.RenameNextFile(); // nothing queued: the reader learns the choice
    renameOne("MVI_0007.MP4", [&] { choice.videos = true; });
    sample("utc-january.mp4", "MVI_0008.MP4");
    renameOne("MVI_0008.MP4", [&] { choice.videos = false; });
    EXPECT_TRUE(fs::exists(folder / "202401151230_160x120__MVI_0007.MP4"));
    EXPECT_TRUE(fs::exists(folder / "MVI_0008.MP4"));
}

TEST_F(RenameStepTest, ACameraModelLosesWhatNoFileSystemHoldsAndNeverMovesTheFile) {
    if (!exiftoolAvailable())
        GTEST_SKIP() << "exiftool is not installed";
    struct Case {
        const char* model;
        const char* expected;
    };
    // Every character Windows forbids, control characters among them, and
    // models that try to climb out of the folder.
    const Case cases[] = {
        {"../../escape", "200805301556_....escape_Canon_40D.jpg"},
        {"a/b\\c", "200805301556_abc_Canon_40D.jpg"},
        {"line\nbreak\ttab\x7f", "200805301556_linebreaktab_Canon_40D.jpg"},
        {"<Digimax i50 MP3, Samsung #1 MP3>",
         "200805301556_Digimaxi50MP3,Samsung#1MP3_Canon_40D.jpg"},
        {"C:|\"x\"?*", "200805301556_Cx_Canon_40D.jpg"},
        // Nothing left: an empty part, as for a photo without a model.
        {"<>:\"/\\|?*", "200805301556__Canon_40D.jpg"},
    };
    for (const Case& c : cases) {
        TempDir folder;
        const std::string path = copyPhoto(Canon, folder.path());
        runExiftool({"-overwrite_original", std::string("-IFD0:Model=") + c.model, path});
        const std::string content = readFile(path);
        EXPECT_EQ(renameOnce(path, DatePatternMinute, TNameLayout::DateModelFile),
                  std::vector<std::string>{c.expected})
            << c.model;
        EXPECT_EQ(readFile(folder.path() / c.expected), content) << c.model;
    }
    EXPECT_EQ(fileNames(temp.path()).size(), 0u);
}

TEST_F(RenameStepTest, TheOldNameIsKeptWholeOrTheFileKeepsIt) {
    // Characters a Windows volume would refuse, in the old name: that part
    // is the user's own and stays as it is.
    const std::string odd = copyPhoto(Canon, temp.path(), "a<b>:c?.jpg");
    EXPECT_EQ(renameOnce(odd, DatePatternDay, TNameLayout::DateFile),
              std::vector<std::string>{"20080530_a<b>:c?.jpg"});

    // A name that the prefix would push past 255 bytes is not cut: the file
    // keeps it. One that just fits is renamed.
    TempDir longNames;
    const std::string prefix = "20080530_"; // 9 bytes
    const std::string fits = std::string(MaxNameBytes - prefix.size() - 4, 'f') + ".jpg";
    const std::string tooLong = std::string(MaxNameBytes - prefix.size() - 3, 't') + ".jpg";
    copyPhoto(Canon, longNames.path(), fits);
    copyPhoto(Canon, longNames.path(), tooLong);
    renameOnce(longNames.file(fits), DatePatternDay, TNameLayout::DateFile);
    EXPECT_EQ(renameOnce(longNames.file(tooLong), DatePatternDay, TNameLayout::DateFile),
              (std::vector<std::string>{prefix + fits, tooLong}));
    EXPECT_EQ((prefix + fits).size(), MaxNameBytes);
}

TEST_F(RenameStepTest, EscapeCancelsQueuedFilesButAnIdleStepChangesNothing) {
    TRenameStep step(worker, pending, options, escape);
    step.RenameNextFile(); // nothing queued: nothing happens
    EXPECT_TRUE(pending.empty());

    std::vector<std::string> paths;
    for (int i = 0; i < 3; ++i)
        paths.push_back(copyPhoto(Canon, temp.path(), "p" + std::to_string(i) + ".jpg"));
    for (const auto& path : paths)
        worker.AddPath(path);
    step.RenameNextFile(); // the first is renamed, one per step
    EXPECT_EQ(worker.FileCount(), 2u);
    escape.down = true;
    step.RenameNextFile();
    EXPECT_EQ(worker.FileCount(), 0u);
    EXPECT_EQ(
        fileNames(temp.path()),
        (std::vector<std::string>{"200805301556_100x68_CanonEOS40D_p0.jpg", "p1.jpg", "p2.jpg"}));
}

TEST_F(RenameStepTest, AnythingThrownKeepsTheFileAndTheNextStepGoesOn) {
    FailingOptions failing;
    failing.failures = {[] { throw std::overflow_error("offset overflows"); },
                        [] {}, // the pattern of the second file reads well
                        [] { throw 7; }};
    TRenameStep step(worker, pending, failing, escape);
    std::vector<std::string> paths;
    for (int i = 0; i < 4; ++i)
        paths.push_back(copyPhoto(Canon, temp.path(), "p" + std::to_string(i) + ".jpg"));
    for (const auto& path : paths)
        worker.AddPath(path);

    step.RenameNextFile(); // the pattern throws a std::overflow_error
    step.RenameNextFile(); // the layout throws an int
    EXPECT_TRUE(failing.failures.empty());
    EXPECT_EQ(worker.FileCount(), 2u) << "each failed step took its one file";
    EXPECT_TRUE(pending.empty());

    // A failure before any file is taken takes none.
    escape.failure = [] { throw std::out_of_range("no such key"); };
    step.RenameNextFile();
    EXPECT_FALSE(escape.failure);
    EXPECT_EQ(worker.FileCount(), 2u);

    step.RenameNextFile();
    step.RenameNextFile();
    EXPECT_EQ(worker.FileCount(), 0u);
    EXPECT_EQ(fileNames(temp.path()),
              (std::vector<std::string>{"200805301556_p2.jpg", "200805301556_p3.jpg", "p0.jpg",
                                        "p1.jpg"}));
    EXPECT_EQ(readFile(temp.path() / "p0.jpg"), readFile(photosDir() / Canon));
}

namespace {

// Keeps what the step tells, in order.
class RecordingObserver : public IRenameObserver {
public:
    std::vector<TFileOutcome> files;
    int cancelled = 0;
    int emptied = 0;
    void FileDone(const TFileOutcome& outcome) noexcept override { files.push_back(outcome); }
    void Cancelled() noexcept override { ++cancelled; }
    void QueuesEmpty() noexcept override { ++emptied; }

    std::optional<TKeptReason> reasonFor(const std::string& path) const {
        for (const TFileOutcome& file : files)
            if (file.path == path)
                return file.kept;
        throw std::out_of_range("not told: " + path);
    }
};

} // namespace

TEST_F(RenameStepTest, TheObserverLearnsOfEachFileWhatWasRenamedOrWhyItWasKept) {
    // One folder holding every case the step tells apart.
    copyPhoto("jpg/orientation/landscape_6.jpg", temp.path(), "undated.jpg");
    writeFile(temp.path() / "notes.jpg", "not a photo at all");
    copyPhoto(Canon, temp.path(), "IMG_200805301556.jpg");
    copyPhoto(Canon, temp.path(), "taken.jpg");
    writeFile(temp.path() / "200805301556_100x68_CanonEOS40D_taken.jpg", "someone else's");
    copyPhoto(Canon, temp.path(), "tab\tname.jpg");
    copyPhoto(Canon, temp.path(), "bad\x01name.jpg");
    copyPhoto(Canon, temp.path(), "gone.jpg");
    copyPhoto(Canon, temp.path(), "locked.jpg");
    copyPhoto(Canon, temp.path(), "IMG_1.jpg");
    writeFile(temp.path() / "IMG_1.xmp", "<x:xmpmeta/>");

    RecordingObserver observer;
    TRenameStep step(worker, pending, options, escape);
    step.SetObserver(&observer);
    for (const char* name : {"undated.jpg", "notes.jpg", "IMG_200805301556.jpg", "taken.jpg",
                             "bad\x01name.jpg", "gone.jpg", "IMG_1.jpg"})
        worker.AddPath(temp.file(name));
    fs::remove(temp.path() / "gone.jpg"); // after it was queued, before its turn
    while (worker.FileCount() > 0)
        step.RenameNextFile();
    step.RenameNextFile(); // finds the queues empty
    EXPECT_EQ(observer.emptied, 1);

    ASSERT_EQ(observer.files.size(), 7u);
    EXPECT_EQ(observer.reasonFor(temp.file("undated.jpg")), TKeptReason::NoDate);
    EXPECT_EQ(observer.reasonFor(temp.file("notes.jpg")), TKeptReason::NotAPhoto);
    EXPECT_EQ(observer.reasonFor(temp.file("IMG_200805301556.jpg")), TKeptReason::AlreadyDated);
    EXPECT_EQ(observer.reasonFor(temp.file("taken.jpg")), TKeptReason::NameTaken);
    EXPECT_EQ(observer.reasonFor(temp.file("bad\x01name.jpg")), TKeptReason::NameNotPortable);
    EXPECT_EQ(observer.reasonFor(temp.file("gone.jpg")), TKeptReason::GoneOrChanged);
    const TFileOutcome& renamed = observer.files.back();
    EXPECT_TRUE(renamed.Renamed());
    ASSERT_EQ(renamed.moves.size(), 2u) << "the photo, then its sidecar";
    EXPECT_EQ(renamed.moves[0].from, temp.file("IMG_1.jpg"));
    EXPECT_EQ(renamed.moves[0].to, temp.file("200805301556_100x68_CanonEOS40D_IMG_1.jpg"));
    EXPECT_EQ(renamed.moves[1].from, temp.file("IMG_1.xmp"));
    EXPECT_EQ(renamed.moves[1].to, temp.file("200805301556_100x68_CanonEOS40D_IMG_1.xmp"));
    for (const TFileOutcome& file : observer.files)
        EXPECT_EQ(file.moves.empty(), !file.Renamed()) << file.path;
    EXPECT_TRUE(fs::exists(renamed.moves[1].to));

    // A folder that refuses the move, unless we are root, who is never refused.
    if (geteuid() != 0) {
        TempDir locked;
        const std::string path = copyPhoto(Canon, locked.path());
        fs::permissions(locked.path(), fs::perms::owner_write, fs::perm_options::remove);
        worker.AddPath(path);
        step.RenameNextFile();
        fs::permissions(locked.path(), fs::perms::owner_write, fs::perm_options::add);
        EXPECT_EQ(observer.reasonFor(path), TKeptReason::MoveFailed);
    }

    // Escape: each file still waiting is told as cancelled, then the end.
    observer.files.clear();
    for (const char* name : {"locked.jpg", "tab\tname.jpg"})
        worker.AddPath(temp.file(name));
    escape.down = true;
    step.RenameNextFile();
    EXPECT_EQ(observer.cancelled, 1);
    ASSERT_EQ(observer.files.size(), 2u);
    for (const TFileOutcome& file : observer.files)
        EXPECT_EQ(file.kept, TKeptReason::Cancelled) << file.path;
    EXPECT_TRUE(fs::exists(temp.path() / "locked.jpg"));
}

TEST(NewName, NamePartsKeepOnlyWhatEveryFileSystemHolds) {
    EXPECT_EQ(NamePartText("1600 x 1200"), "1600x1200");
    EXPECT_EQ(NamePartText("Canon IXY DIGITAL 900 IS"), "CanonIXYDIGITAL900IS");
    for (char forbidden : std::string("<>:\"/\\|?*\x01\x1f\x7f\t\n\r"))
        EXPECT_EQ(NamePartText(std::string("a") + forbidden + "b"), "ab") << int(forbidden);
    // What FAT, exFAT and NTFS take stays, UTF-8 included.
    EXPECT_EQ(NamePartText("#1,+=;[]'&!%\xc3\xa9."), "#1,+=;[]'&!%\xc3\xa9.");
    EXPECT_EQ(NamePartText("\"\"< >"), "");

    // Trailing dots and blanks, which Windows strips from a name, cannot
    // end a new name: whatever the model and size texts end in, the old
    // name with its extension ends the name.
    for (const char* part : {"Model.", "Model ", "Model. .", "...", "   "}) {
        for (TNameLayout layout : {TNameLayout::DateModelFile, TNameLayout::DateSizeFile,
                                   TNameLayout::DateSizeModelFile}) {
            const std::string name = ComposeNewName(layout, "200803181226", NamePartText(part),
                                                    NamePartText(part), "IMG_3444.JPG");
            EXPECT_TRUE(name.ends_with("_IMG_3444.JPG")) << name;
        }
    }
}

// A model of bytes that are no UTF-8 (exiftool will not write one; the
// hostile CRW samples carry one) keeps the photo's name: see heif_raw_test.
TEST(NewName, OnlyUtf8TextStandsInANamePart) {
    EXPECT_TRUE(IsValidUtf8("CanonEOS40D"));
    EXPECT_TRUE(IsValidUtf8("\xe3\x82\xab\xe3\x83\xa1\xe3\x83\xa9")); // カメラ
    EXPECT_TRUE(IsValidUtf8(""));
    for (const char* bad : {"\xaa\xc0w", "\xc3", "a\xff", "\xed\xa0\x80" /* a surrogate */})
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
}

TEST(NewName, LengthLimitsInBytesAndUtf16Units) {
    EXPECT_TRUE(FitsNameLimits(std::string(255, 'a')));
    EXPECT_FALSE(FitsNameLimits(std::string(256, 'a')));
    // 85 three-byte characters are 255 bytes and 85 units; one more is 258
    // bytes, too long for ext4 although only 86 units.
    std::string kana;
    for (int i = 0; i < 85; ++i)
        kana += "\xe3\x81\x82";
    EXPECT_TRUE(FitsNameLimits(kana));
    EXPECT_FALSE(FitsNameLimits(kana + "\xe3\x81\x82"));
    // A four-byte character is a surrogate pair: 63 of them are 252 bytes
    // and 126 units, and fit both.
    std::string emoji;
    for (int i = 0; i < 63; ++i)
        emoji += "\xf0\x9f\x93\xb7";
    EXPECT_TRUE(FitsNameLimits(emoji));
    // Bytes that are no UTF-8 count one unit each.
    EXPECT_TRUE(FitsNameLimits(std::string(255, '\xff')));
    EXPECT_FALSE(FitsNameLimits(std::string(256, '\xff')));
}

TEST(NewName, SafeNamesAndPathSplits) {
    EXPECT_TRUE(IsSafeFileName("200803181226_1600x1200_<Digimax>_IMG.JPG"));
    for (const char* bad : {"", ".", "..", "a/b", "tab\there", "del\x7f"})
        EXPECT_FALSE(IsSafeFileName(bad)) << bad;
    EXPECT_EQ(SplitPath("/a/b.jpg").folder, "/a");
    EXPECT_EQ(SplitPath("/b.jpg").folder, "/");
    EXPECT_EQ(SplitPath("/b.jpg").name, "b.jpg");
    EXPECT_EQ(DateText("2008:03:18 12:26:27", 8), "20080318");
    EXPECT_EQ(DateText("2008:03:18 12:26:27", 14), "20080318122627");
    EXPECT_EQ(ComposeNewName(TNameLayout::DateSizeModelFile, "2008", "", "", "x.jpg"),
              "2008___x.jpg");
}

TEST(MoveFile, EveryWayRenamesAndNoneReplaces) {
    using Way = void (*)(const std::string&, const std::string&);
    for (Way way : {Way{&RenameNoReplace}, Way{&LinkThenUnlink}, Way{&TestThenRename},
                    Way{&MoveFileNoReplace}}) {
        TempDir temp;
        writeFile(temp.path() / "a", "photo");
        writeFile(temp.path() / "taken", "other");
        EXPECT_THROW(way(temp.file("a"), temp.file("taken")), std::system_error);
        EXPECT_EQ(readFile(temp.path() / "a"), "photo");
        EXPECT_EQ(readFile(temp.path() / "taken"), "other");
        EXPECT_THROW(way(temp.file("missing"), temp.file("b")), std::system_error);
        way(temp.file("a"), temp.file("b"));
        EXPECT_EQ(fileNames(temp.path()), (std::vector<std::string>{"b", "taken"}));
        EXPECT_EQ(readFile(temp.path() / "b"), "photo");
        // A link is renamed as itself; its target stays where it is.
        fs::create_symlink(temp.path() / "b", temp.path() / "link");
        way(temp.file("link"), temp.file("link2"));
        EXPECT_TRUE(fs::is_symlink(temp.path() / "link2"));
        EXPECT_EQ(readFile(temp.path() / "b"), "photo");
    }
}
