// SPDX-License-Identifier: GPL-3.0-or-later
// Videos of the ISO media and QuickTime family read for their date, size and
// model (photo/VideoProperties.h, photo/MediaFile.h): the sample videos made
// with a real muxer, the date rules across time zones with daylight saving,
// cut and damaged boxes, a movie box at the end of a large file, and the
// content identifier that pairs a Live Photo's still with its video.

#include "photo/IsoBox.h"
#include "photo/MediaFile.h"
#include "photo/PhotoFile.h"
#include "photo/PhotoMetadataLibrary.h"
#include "photo/PhotoSource.h"
#include "photo/VideoDate.h"
#include "photo/VideoProperties.h"
#include "platform/FileIdentity.h"
#include "rename/Companions.h"
#include "rename/LivePhotoPair.h"
#include "rename/PreparedMedia.h"
#include "support/TempDir.h"
#include "support/VideoFiles.h"
#include "support/ZoneSetting.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <system_error>

using namespace kelvara;
using namespace kelvara::test;
namespace fs = std::filesystem;

namespace {

const fs::path VideosDir = fs::path(KELVARA_TEST_DATA) / "videos";
constexpr const char* LivePhotoId = "570F1469-09C7-4E50-9875-05F21D5BD166";

std::string VideoPath(const char* name) {
    return (VideosDir / name).string();
}

std::optional<TVideoProperties> FromMemory(const std::string& bytes) {
    TMemoryByteSource source(bytes);
    return ReadVideoProperties(source);
}

// A byte source over a file that counts what it reads.
class CountingFile final : public IByteSource {
public:
    explicit CountingFile(const std::string& path) : m_in(path, std::ios::binary) {
        m_in.seekg(0, std::ios::end);
        m_size = m_in.tellg();
    }
    std::int64_t Size() const override { return m_size; }
    std::int64_t ReadAt(std::int64_t offset, char* data, std::int64_t length) override {
        if (offset < 0 || offset >= m_size)
            return 0;
        m_in.clear();
        m_in.seekg(offset);
        m_in.read(data, std::min(length, m_size - offset));
        m_read += m_in.gcount();
        return m_in.gcount();
    }
    std::int64_t BytesRead() const { return m_read; }

private:
    std::ifstream m_in;
    std::int64_t m_size = 0;
    std::int64_t m_read = 0;
};

std::string Be32(std::uint32_t value) {
    return video_detail::Be32(value);
}

class VideoTest : public ::testing::Test {
protected:
    TPhotoMetadataLibrary library;
    TempDir temp;
};

} // namespace

TEST_F(VideoTest, EachSampleGivesItsDateSizeAndModelAndOnlyWhenVideosAreChosen) {
    ZoneSetting berlin("Europe/Berlin");
    struct Case {
        const char* name;
        const char* date;
        TDateSource source;
        const char* model;
        const char* identifier;
    };
    const Case cases[] = {
        // UTC in the movie header, in Berlin's winter (+1) and summer (+2).
        {"utc-january.mp4", "2024:01:15 12:30:00", TDateSource::MovieHeaderUtc, "", ""},
        {"utc-july-faststart.mp4", "2024:07:15 13:30:00", TDateSource::MovieHeaderUtc, "", ""},
        // Dates with their own offset are their own wall-clock time.
        {"IMG_5195.MOV", "2021:04:11 15:47:53", TDateSource::AppleCreationDate, "iPhone 11 Pro Max",
         LivePhotoId},
        {"IMG_5195-other-phone.MOV", "2021:04:12 18:00:00", TDateSource::AppleCreationDate,
         "iPhone 12", "0B9C5C2A-3D1E-4E8F-9A71-2C6D8E4F1A35"},
        {"userdata-day.mov", "2023:06:01 08:00:00", TDateSource::UserDataDate, "DSC-RX100", ""},
        // No clock: no date, but a size all the same.
        {"utc-zero.mp4", "", TDateSource::None, "", ""},
    };
    for (const Case& c : cases) {
        const std::string path = VideoPath(c.name);
        const auto properties = ReadMediaFile(path, TMediaChoice{true});
        ASSERT_TRUE(properties) << c.name;
        EXPECT_EQ(properties->DateTaken, c.date) << c.name;
        EXPECT_EQ(properties->DateSource, c.source) << c.name;
        EXPECT_EQ(properties->Dimensions, "160 x 120") << c.name;
        EXPECT_EQ(properties->CameraModel, c.model) << c.name;
        EXPECT_EQ(properties->ContentIdentifier, c.identifier) << c.name;

        // The choice off: a video is no photo, as ever, and nothing is read
        // of it but its head.
        EXPECT_FALSE(ReadMediaFile(path, TMediaChoice{false})) << c.name;
        const TPreparedPhoto off = PrepareMedia(path, TMediaChoice{false});
        EXPECT_FALSE(off.properties) << c.name;
        EXPECT_EQ(off.failure, PreparePhoto(path).failure) << c.name;
        const TPreparedPhoto on = PrepareMedia(path, TMediaChoice{true});
        ASSERT_TRUE(on.properties) << c.name;
        EXPECT_EQ(on.properties->DateTaken, c.date) << c.name;
    }
    // Photos read as before with the choice on.
    const std::string jpeg = (photosDir() / "jpg" / "Canon_40D.jpg").string();
    const auto photo = ReadMediaFile(jpeg, TMediaChoice{true});
    ASSERT_TRUE(photo);
    EXPECT_EQ(photo->DateTaken, "2008:05:30 15:56:01");
    EXPECT_EQ(photo->DateSource, TDateSource::PhotoMetadata);
    EXPECT_FALSE(ReadMediaFile((photosDir() / "SOURCE.md").string(), TMediaChoice{true}));
}

TEST_F(VideoTest, UtcIsTurnedIntoTheZoneOfTheMachineAndOffsetDatesKeepTheirOwnClock) {
    const auto date = [](const char* name) {
        return ReadMediaFile(VideoPath(name), TMediaChoice{true})->DateTaken;
    };
    {
        // Eastern time: -5 in January, -4 (daylight saving) in July.
        ZoneSetting newYork("America/New_York");
        EXPECT_EQ(date("utc-january.mp4"), "2024:01:15 06:30:00");
        EXPECT_EQ(date("utc-july-faststart.mp4"), "2024:07:15 07:30:00");
        EXPECT_EQ(date("IMG_5195.MOV"), "2021:04:11 15:47:53");
    }
    {
        ZoneSetting tokyo("Asia/Tokyo");
        EXPECT_EQ(date("utc-january.mp4"), "2024:01:15 20:30:00");
        EXPECT_EQ(date("IMG_5195.MOV"), "2021:04:11 15:47:53");
        EXPECT_EQ(date("userdata-day.mov"), "2023:06:01 08:00:00");
    }
    // The offset forms writers use; UTC ("Z") and zoneless dates are no
    // wall-clock time of their own, nor is a malformed offset.
    EXPECT_EQ(WallClockOfOffsetDate("2021-04-11T15:47:53-0500"), "2021:04:11 15:47:53");
    EXPECT_EQ(WallClockOfOffsetDate("2021-04-11T15:47:53.250+05:30"), "2021:04:11 15:47:53");
    EXPECT_EQ(WallClockOfOffsetDate("2021-04-11 15:47+09"), "2021:04:11 15:47:00");
    EXPECT_EQ(WallClockOfOffsetDate("2021-04-11T15:47:53Z"), "");
    EXPECT_EQ(WallClockOfOffsetDate("2021-04-11T15:47:53"), "");
    EXPECT_EQ(WallClockOfOffsetDate("2021-04-11T15:47:53+2500"), "");
    EXPECT_EQ(WallClockOfOffsetDate("2021"), "");
    // The movie header's zero is no date; its epoch is 1904.
    ZoneSetting utc("UTC");
    EXPECT_EQ(LocalTimeOfMovieTime(0), "");
    EXPECT_EQ(LocalTimeOfMovieTime(2082844800), "1970:01:01 00:00:00");
}

TEST_F(VideoTest, AnXmpDateComesBeforeTheMovieHeaderAndAnIphonesMetadataBoxIsRead) {
    // Adobe's XMP box beside the movie, as editors add it.
    std::string video = readFile(VideoPath("utc-zero.mp4"));
    const std::string packet =
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF><rdf:Description "
        "xmp:CreateDate=\"2020-02-02T10:00:00+01:00\"/></rdf:RDF></x:xmpmeta>";
    video += Be32(static_cast<std::uint32_t>(24 + packet.size())) + "uuid" +
             std::string("\xBE\x7A\xCF\xCB\x97\xA9\x42\xE8\x9C\x71\x99\x94\x91\xE3\xAF\xAC", 16) +
             packet;
    const auto properties = FromMemory(video);
    ASSERT_TRUE(properties);
    EXPECT_EQ(properties->DateTaken, "2020:02:02 10:00:00");
    EXPECT_EQ(properties->DateSource, TDateSource::XmpDate);
    EXPECT_EQ(XmpCreateDate("<xmp:CreateDate>2019-01-01T00:00:00Z</xmp:CreateDate>"),
              "2019-01-01T00:00:00Z");

    // An iPhone keeps its metadata box in the movie box itself, without the
    // version and flags of the one FFmpeg puts in the user data.
    const std::string mov = readFile(VideoPath("IMG_5195.MOV"));
    TMemoryByteSource source(mov);
    std::string prefix, children, meta;
    for (const TIsoBox& box : ChildBoxes(source, 0, source.Size(), 16)) {
        if (box.type != "moov") {
            prefix += mov.substr(static_cast<std::size_t>(box.offset),
                                 static_cast<std::size_t>(box.size));
            continue;
        }
        for (const TIsoBox& child : ChildBoxes(source, box.PayloadOffset(), box.End(), 64)) {
            if (child.type == "udta") {
                const TIsoBox inner =
                    ChildBoxes(source, child.PayloadOffset(), child.End(), 1).at(0);
                ASSERT_EQ(inner.type, "meta");
                meta = mov.substr(static_cast<std::size_t>(inner.PayloadOffset() + 4),
                                  static_cast<std::size_t>(inner.PayloadSize() - 4));
            } else {
                children += mov.substr(static_cast<std::size_t>(child.offset),
                                       static_cast<std::size_t>(child.size));
            }
        }
    }
    ASSERT_FALSE(meta.empty());
    const std::string iphone =
        prefix + video_detail::Box("moov", children + video_detail::Box("meta", meta));
    const auto apple = FromMemory(iphone);
    ASSERT_TRUE(apple);
    EXPECT_EQ(apple->DateTaken, "2021:04:11 15:47:53");
    EXPECT_EQ(apple->DateSource, TDateSource::AppleCreationDate);
    EXPECT_EQ(apple->CameraModel, "iPhone 11 Pro Max");
    EXPECT_EQ(apple->ContentIdentifier, LivePhotoId);
}

TEST_F(VideoTest, CutAndDamagedBoxesGiveNoDateAndNeverFail) {
    ZoneSetting utc("UTC");
    for (const auto& entry : fs::directory_iterator(VideosDir)) {
        if (entry.path().extension() == ".md")
            continue;
        const std::string whole = readFile(entry.path());
        const std::string name = entry.path().filename().string();
        TMemoryByteSource wholeSource(whole);
        const auto moov = [&]() -> std::optional<TIsoBox> {
            for (const TIsoBox& box : ChildBoxes(wholeSource, 0, wholeSource.Size(), 16))
                if (box.type == "moov")
                    return box;
            return std::nullopt;
        }();
        ASSERT_TRUE(moov) << name;

        // Cut anywhere before the movie box's end: its date is gone with it.
        for (std::size_t cut = 0; cut < whole.size(); cut += 37) {
            const auto properties = FromMemory(whole.substr(0, cut));
            if (static_cast<std::int64_t>(cut) < moov->End()) {
                if (properties) {
                    EXPECT_EQ(properties->DateTaken, "") << name << " cut at " << cut;
                }
            } else {
                ASSERT_TRUE(properties) << name << " cut at " << cut;
            }
        }

        // Every box header of the movie given a hostile size: whatever is
        // read has the promised forms, and nothing throws.
        std::vector<std::int64_t> headers = {0, moov->offset};
        for (const TIsoBox& child :
             ChildBoxes(wholeSource, moov->PayloadOffset(), moov->End(), 64)) {
            headers.push_back(child.offset);
            for (const TIsoBox& inner :
                 ChildBoxes(wholeSource, child.PayloadOffset(), child.End(), 64))
                headers.push_back(inner.offset);
        }
        for (const std::int64_t at : headers) {
            for (const std::uint32_t size : {0u, 1u, 7u, 9u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
                std::string damaged = whole;
                damaged.replace(static_cast<std::size_t>(at), 4, Be32(size));
                const auto properties = FromMemory(damaged);
                if (!properties)
                    continue;
                const std::string& date = properties->DateTaken;
                EXPECT_TRUE(date.empty() || (date.size() == 19 && date[4] == ':'))
                    << name << " size " << size << " at " << at;
            }
        }
    }
    // A movie box that claims 2^62 bytes in its 64-bit size is not read.
    std::string video = readFile(VideoPath("utc-january.mp4"));
    const auto at = video.find("moov") - 4;
    video.replace(at, 4, Be32(1));
    video.insert(at + 8, std::string("\x40\0\0\0\0\0\0\0", 8));
    const auto properties = FromMemory(video);
    ASSERT_TRUE(properties);
    EXPECT_EQ(properties->DateTaken, "");
    EXPECT_EQ(properties->failure, "no movie box");
}

TEST_F(VideoTest, AMovieBoxAtTheEndOfALargeFileIsFoundReadingOnlyAFewHundredKB) {
    ZoneSetting utc("UTC");
    // A 5 GB video as a camera writes it: its media data (a hole here, so
    // that it takes no disk space) in a box with a 64-bit size, then the
    // movie box of a real sample.
    const std::string sample = readFile(VideoPath("utc-january.mp4"));
    const std::size_t moovAt = sample.find("moov") - 4;
    const std::string moov = sample.substr(moovAt);
    constexpr std::uint64_t MediaSize = std::uint64_t{5} << 30;
    std::string head = sample.substr(0, 32); // the file-type box
    head += Be32(1) + "mdat";
    for (int i = 7; i >= 0; --i)
        head.push_back(static_cast<char>(((MediaSize + 16) >> (8 * i)) & 0xFF));
    const std::string path = temp.file("large.mp4");
    writeFile(path, head);
    {
        std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
        out.seekp(static_cast<std::streamoff>(32 + 16 + MediaSize));
        out.write(moov.data(), static_cast<std::streamsize>(moov.size()));
    }
    CountingFile counted(path);
    const auto properties = ReadVideoProperties(counted);
    ASSERT_TRUE(properties);
    EXPECT_EQ(properties->DateTaken, "2024:01:15 11:30:00");
    EXPECT_EQ(properties->Dimensions, "160 x 120");
    EXPECT_LT(counted.BytesRead(), 300 * 1024);

    // Read as the reader thread reads it: beyond the head, a block or two.
    TFileSource file(path, {}, std::numeric_limits<std::int64_t>::max());
    const auto asPhoto = ReadVideoAsPhoto(file);
    ASSERT_TRUE(asPhoto);
    EXPECT_EQ(asPhoto->DateTaken, "2024:01:15 11:30:00");
    EXPECT_LT(file.BytesReadBeyondHead(), 300 * 1024);
    EXPECT_EQ(ReadMediaFile(path, TMediaChoice{true})->DateTaken, "2024:01:15 11:30:00");
    // Without the choice it is what it was: too large to be a photo. So is
    // any other file that large with the choice on.
    EXPECT_THROW(ReadMediaFile(path, TMediaChoice{false}), std::system_error);
    const std::string other = temp.file("large.bin");
    writeFile(other, "not a video");
    fs::resize_file(other, MaxFileContentSize + 1);
    EXPECT_THROW(ReadMediaFile(other, TMediaChoice{true}), std::system_error);

    // A movie box larger than any camera writes is refused, not read.
    const std::string huge = temp.file("huge.mov");
    std::string hugeHead = sample.substr(0, 32) +
                           Be32(static_cast<std::uint32_t>(MostMovieBoxSize + 4096)) + "moov" +
                           moov.substr(8);
    writeFile(huge, hugeHead);
    fs::resize_file(huge, 32 + MostMovieBoxSize + 4096);
    CountingFile hugeFile(huge);
    const auto refused = ReadVideoProperties(hugeFile);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->DateTaken, "");
    EXPECT_EQ(refused->failure, "movie box too large");
    EXPECT_LT(hugeFile.BytesRead(), 128 * 1024);
}

TEST_F(VideoTest, ALivePhotoStillAndItsVideoShareTheirContentIdentifier) {
    const auto still = ReadPhotoFile((photosDir() / "heic" / "IMG_5195.HEIC").string());
    ASSERT_TRUE(still);
    EXPECT_EQ(still->ContentIdentifier, LivePhotoId);
    const auto video = ReadMediaFile(VideoPath("IMG_5195.MOV"), TMediaChoice{true});
    ASSERT_TRUE(video);
    EXPECT_EQ(video->ContentIdentifier, still->ContentIdentifier);
    const auto twin = ReadMediaFile(VideoPath("IMG_5195-other-phone.MOV"), TMediaChoice{true});
    ASSERT_TRUE(twin);
    EXPECT_NE(twin->ContentIdentifier, still->ContentIdentifier);
    // An iPhone photo that was no Live Photo, and other makers' photos.
    const auto plain =
        ReadPhotoFile((photosDir() / "heic" / "mobile" / "iphone_13_pro_max.HEIC").string());
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->ContentIdentifier, "");
    EXPECT_EQ(ReadPhotoFile((photosDir() / "jpg" / "Canon_40D.jpg").string())->ContentIdentifier,
              "");
}

TEST_F(VideoTest, AMovThatSharesAPhotosNameButNotItsIdentifierIsNoCompanion) {
    const fs::path own = temp.path() / "own";
    const fs::path merged = temp.path() / "merged";
    fs::create_directories(own);
    fs::create_directories(merged);
    const std::string ownPhoto = copyPhoto("heic/IMG_5195.HEIC", own);
    fs::copy_file(VideoPath("IMG_5195.MOV"), own / "IMG_5195.MOV");
    const std::string twinPhoto = copyPhoto("heic/IMG_5195.HEIC", merged);
    fs::copy_file(VideoPath("IMG_5195-other-phone.MOV"), merged / "IMG_5195.MOV");
    writeFile(merged / "IMG_5195.AAE", "edits");

    // Whether the photo's identifier was read ahead or is read now.
    for (const std::optional<std::string>& known :
         {std::optional<std::string>(), std::optional<std::string>(LivePhotoId)}) {
        const auto ownFound = FindCompanions(ownPhoto, {}, known);
        ASSERT_EQ(ownFound.size(), 1u);
        EXPECT_EQ(ownFound[0].name, "IMG_5195.MOV");
        const auto twinFound = FindCompanions(twinPhoto, {}, known);
        ASSERT_EQ(twinFound.size(), 1u);
        EXPECT_EQ(twinFound[0].name, "IMG_5195.AAE");
    }
    // As the reader thread looks them up with the photo.
    TPreparedPhoto prepared = PreparePhoto(twinPhoto);
    LookUpCompanions(twinPhoto, prepared);
    ASSERT_TRUE(prepared.companions);
    ASSERT_EQ(prepared.companions->size(), 1u);
    EXPECT_EQ((*prepared.companions)[0].name, "IMG_5195.AAE");
    // The other way round, with videos renamed too: the MOV read on its own
    // is left to its photo, the twin is a video of its own, with its date
    // and the identity of the file read.
    const TPreparedPhoto ownVideo = PrepareMedia((own / "IMG_5195.MOV").string(), {true});
    EXPECT_FALSE(ownVideo.properties);
    EXPECT_EQ(ownVideo.livePhotoOf, ownPhoto);
    const TPreparedPhoto twinVideo = PrepareMedia((merged / "IMG_5195.MOV").string(), {true});
    ASSERT_TRUE(twinVideo.properties);
    EXPECT_TRUE(twinVideo.video);
    EXPECT_EQ(twinVideo.livePhotoOf, "");
    EXPECT_EQ(twinVideo.properties->DateTaken, "2021:04:12 18:00:00");
    ASSERT_TRUE(twinVideo.identity);
    EXPECT_TRUE(
        twinVideo.identity->SameFileAs(*FileIdentityAt((merged / "IMG_5195.MOV").string())));
    // A photo without an identifier keeps a MOV by its name, as it always did.
    const std::string plainPhoto = copyPhoto("jpg/Canon_40D.jpg", merged, "IMG_5195.JPG");
    ASSERT_EQ(FindCompanions(plainPhoto).size(), 2u);
    EXPECT_EQ(LivePhotoStillOf((merged / "IMG_5195.MOV").string(),
                               twinVideo.properties->ContentIdentifier),
              plainPhoto);
}
