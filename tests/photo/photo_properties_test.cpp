// SPDX-License-Identifier: GPL-3.0-or-later
// Date, size and model as read from real photos, checked against values
// confirmed with exiftool, against exiftool itself over the whole sample set,
// and on photos written with exactly the tags a case needs.

#include "photo/PhotoMetadataLibrary.h"
#include "photo/PhotoProperties.h"
#include "platform/FileContent.h"
#include "support/Exiftool.h"
#include "support/TempDir.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <string>

using namespace kelvara;
namespace fs = std::filesystem;

namespace {

class PhotoPropertiesTest : public ::testing::Test {
protected:
    static TPhotoProperties Read(const std::string& path) {
        return ReadPhotoProperties(ReadFileContent(path));
    }
    static TPhotoProperties ReadSample(const std::string& relative) {
        return Read((kelvara::test::photosDir() / relative).string());
    }

    // A copy of a sample in the test's folder, changed by exiftool with `args`.
    std::string Written(const std::string& sample, const std::string& name,
                        std::vector<std::string> args) {
        const std::string copy = kelvara::test::copyPhoto(sample, m_dir.path(), name);
        args.insert(args.begin(), {"-q", "-overwrite_original"});
        args.push_back(copy);
        kelvara::test::runExiftool(args);
        return copy;
    }

    TPhotoMetadataLibrary m_library;
    kelvara::test::TempDir m_dir;
};

struct TKnownPhoto {
    const char* File;
    const char* Date;
    const char* Size;
    const char* Model;
};

} // namespace

TEST_F(PhotoPropertiesTest, KnownCamerasGiveTheirDateSizeAndModel) {
    // Each row as exiftool reads the same file.
    const TKnownPhoto known[] = {
        {"jpg/Canon_40D.jpg", "2008:05:30 15:56:01", "100 x 68", "Canon EOS 40D"},
        {"jpg/Nikon_D70.jpg", "2008:03:15 09:52:01", "100 x 66", "NIKON D70"},
        {"jpg/Fujifilm_FinePix_E500.jpg", "2006:08:17 09:24:48", "59 x 100", "FinePix E500"},
        // Its XMP CreateDate says 2008-05-10: the Exif original date comes first.
        {"jpg/Pentax_K10D.jpg", "2008:05:04 16:47:24", "100 x 72", "PENTAX K10D"},
        {"jpg/exif-org/kodak-dc240.jpg", "1999:05:25 21:00:09", "640 x 480",
         "KODAK DC240 ZOOM DIGITAL CAMERA"},
        {"jpg/exif-org/sanyo-vpcg250.jpg", "1998:01:01 00:00:00", "640 x 480", "SR6"},
        {"jpg/Samsung_Digimax_i50_MP3.jpg", "2006:08:15 17:50:57", "100 x 75",
         "<Digimax i50 MP3, Samsung #1 MP3>"},
        {"jpg/tests/32-lens_data.jpeg", "2012:07:14 16:30:12", "200 x 133", "NIKON D300"},
        {"jpg/tests/87_OSError.jpg", "2005:12:14 14:39:47", "1488 x 2240", "NIKON D70s"},
        {"jpg/corrupted.jpg", "2015:09:08 11:02:17", "3648 x 2736", "u1020,S1020"},
        // Only XMP: xmp:CreateDate with a zone, and exif:DateTimeOriginal (the last source).
        {"jpg/xmp/BlueSquare.jpg", "2005:09:07 15:07:40", "360 x 216", ""},
        {"jpg/tests/30-type_error.jpg", "2013:07:05 03:18:27", "3872 x 2403", ""},
        // A date only in the maker's own notes is none of ours.
        {"jpg/Reconyx_HC500_Hyperfire.jpg", "", "2048 x 1536", ""},
        {"jpg/orientation/landscape_6.jpg", "", "450 x 600", ""},
        {"tiff/Arbitro.tiff", "", "174 x 38", ""},
    };
    for (const auto& photo : known) {
        const TPhotoProperties properties = ReadSample(photo.File);
        EXPECT_EQ(properties.DateTaken, photo.Date) << photo.File;
        EXPECT_EQ(properties.Dimensions, photo.Size) << photo.File;
        EXPECT_EQ(properties.CameraModel, photo.Model) << photo.File;
    }
}

namespace {

// exiftool's view of one date tag, put into "YYYY:MM:DD HH:MM:SS" when it is a
// real date; `time` completes a date-only value (IPTC).
std::string ExiftoolDate(const QJsonObject& tags, const char* dateTag, const char* timeTag = "") {
    const QString date = tags.value(dateTag).toVariant().toString().trimmed();
    QString time = tags.value(timeTag).toVariant().toString().trimmed();
    static const QRegularExpression form(
        R"(^(\d{4})[:-](\d\d)[:-](\d\d)(?:[ T](\d\d):(\d\d)(?::(\d\d))?)?)");
    const auto match = form.match(date);
    if (!match.hasMatch())
        return {};
    if (!match.captured(4).isEmpty())
        time = match.captured(4) + ":" + match.captured(5) + ":" +
               (match.captured(6).isEmpty() ? "00" : match.captured(6));
    else if (time.isEmpty())
        time = "00:00:00";
    const QString text =
        match.captured(1) + ":" + match.captured(2) + ":" + match.captured(3) + " " + time.left(8);
    static const QRegularExpression real(
        R"(^(?!0000)\d{4}:(0[1-9]|1[0-2]):(0[1-9]|[12]\d|3[01]) ([01]\d|2[0-3]):[0-5]\d:[0-5]\d$)");
    return real.match(text).hasMatch() ? text.toStdString() : std::string();
}

} // namespace

// The second reader over every sample JPEG and TIFF, asked for the same tags
// in the same order: date, size and model must agree on every file.
TEST_F(PhotoPropertiesTest, AgreesWithExiftoolOnEverySamplePhoto) {
    if (!kelvara::test::exiftoolAvailable())
        GTEST_SKIP() << "exiftool is not installed";
    const std::string json = kelvara::test::runExiftool(
        {"-json", "-G1", "-n", "-r", "-ext", "jpg", "-ext", "jpeg", "-ext", "tiff",
         "-ExifIFD:DateTimeOriginal", "-IPTC:DateCreated", "-IPTC:TimeCreated",
         "-XMP-xmp:CreateDate", "-ExifIFD:CreateDate", "-XMP-exif:DateTimeOriginal",
         "-Composite:ImageSize", "-IFD0:Model", kelvara::test::photosDir().string()});
    const QJsonArray files = QJsonDocument::fromJson(QByteArray::fromStdString(json)).array();
    // 35 JPEGs and TIFFs, 26 of them dated: fewer would mean a wrong path.
    ASSERT_GE(files.size(), 35);
    int dated = 0;
    for (const auto& entry : files) {
        const QJsonObject tags = entry.toObject();
        const std::string file = tags.value("SourceFile").toString().toStdString();
        std::string date = ExiftoolDate(tags, "ExifIFD:DateTimeOriginal");
        if (date.empty() && tags.contains("IPTC:DateCreated"))
            date = ExiftoolDate(tags, "IPTC:DateCreated", "IPTC:TimeCreated");
        for (const char* tag :
             {"XMP-xmp:CreateDate", "ExifIFD:CreateDate", "XMP-exif:DateTimeOriginal"}) {
            if (date.empty())
                date = ExiftoolDate(tags, tag);
        }
        // -n gives the size as "W H".
        const std::string size =
            tags.value("Composite:ImageSize").toString().replace(" ", " x ").toStdString();
        const std::string model =
            tags.value("IFD0:Model").toVariant().toString().trimmed().toStdString();

        const TPhotoProperties properties = Read(file);
        EXPECT_EQ(properties.DateTaken, date) << file;
        EXPECT_EQ(properties.Dimensions, size) << file;
        EXPECT_EQ(properties.CameraModel, model) << file;
        dated += !date.empty();
    }
    EXPECT_GE(dated, 26);
}

TEST_F(PhotoPropertiesTest, XmpAndIptcDatesStandInWhenExifHasNone) {
    if (!kelvara::test::exiftoolAvailable())
        GTEST_SKIP() << "exiftool is not installed";
    const std::string sample = "jpg/Canon_40D.jpg";
    const std::vector<std::string> noExifDates = {"-EXIF:DateTimeOriginal=", "-EXIF:CreateDate="};
    auto with = [&](std::vector<std::string> extra) {
        extra.insert(extra.begin(), noExifDates.begin(), noExifDates.end());
        return extra;
    };

    EXPECT_EQ(
        Read(Written(sample, "xmp.jpg", with({"-XMP-xmp:CreateDate=2010-04-13T09:37:22+02:00"})))
            .DateTaken,
        "2010:04:13 09:37:22");
    EXPECT_EQ(
        Read(Written(sample, "xmpday.jpg", with({"-XMP-xmp:CreateDate=2010-04-13"}))).DateTaken,
        "2010:04:13 00:00:00");
    // IPTC comes before XMP; its own zone is dropped as well.
    EXPECT_EQ(
        Read(Written(sample, "iptc.jpg",
                     with({"-XMP-xmp:CreateDate=2010-04-13T09:37:22+02:00",
                           "-IPTC:DateCreated=2005:12:14", "-IPTC:TimeCreated=14:39:47+02:00"})))
            .DateTaken,
        "2005:12:14 14:39:47");
    EXPECT_EQ(
        Read(Written(sample, "iptcday.jpg", with({"-IPTC:DateCreated=2005:12:14"}))).DateTaken,
        "2005:12:14 00:00:00");
    // Exif DateTimeDigitized before XMP exif:DateTimeOriginal.
    EXPECT_EQ(Read(Written(sample, "digitized.jpg",
                           {"-EXIF:DateTimeOriginal=", "-EXIF:CreateDate=2001:02:03 04:05:06",
                            "-XMP-exif:DateTimeOriginal=2013-07-05T03:18:27Z"}))
                  .DateTaken,
              "2001:02:03 04:05:06");
    // No date anywhere: empty text, and the size and model are still read.
    const TPhotoProperties none = Read(Written(sample, "none.jpg", with({})));
    EXPECT_EQ(none.DateTaken, "");
    EXPECT_EQ(none.Dimensions, "100 x 68");
    EXPECT_EQ(none.CameraModel, "Canon EOS 40D");
}

// A camera with an unset clock writes zeros or blanks; the next source holds
// the date (the # makes exiftool write the value as it stands).
TEST_F(PhotoPropertiesTest, ZeroAndBlankDatesAreSkippedForTheNextSource) {
    if (!kelvara::test::exiftoolAvailable())
        GTEST_SKIP() << "exiftool is not installed";
    const std::string sample = "jpg/Canon_40D.jpg";
    EXPECT_EQ(Read(Written(sample, "zero.jpg",
                           {"-EXIF:DateTimeOriginal#=0000:00:00 00:00:00",
                            "-EXIF:CreateDate=2001:02:03 04:05:06"}))
                  .DateTaken,
              "2001:02:03 04:05:06");
    EXPECT_EQ(Read(Written(sample, "blank.jpg",
                           {"-EXIF:DateTimeOriginal#=    :  :     :  :  ", "-EXIF:CreateDate=",
                            "-XMP-exif:DateTimeOriginal=2013-07-05T03:18:27Z"}))
                  .DateTaken,
              "2013:07:05 03:18:27");
    EXPECT_EQ(Read(Written(sample, "zeroiptc.jpg",
                           {"-EXIF:DateTimeOriginal=", "-EXIF:CreateDate#=0000:00:00 00:00:00",
                            "-IPTC:DateCreated#=00000000",
                            "-XMP-xmp:CreateDate=2010-04-13T09:37:22+02:00"}))
                  .DateTaken,
              "2010:04:13 09:37:22");
    EXPECT_EQ(Read(Written(sample, "allzero.jpg",
                           {"-EXIF:DateTimeOriginal#=0000:00:00 00:00:00",
                            "-EXIF:CreateDate#=0000:00:00 00:00:00"}))
                  .DateTaken,
              "");
}

// exiftool trims what it writes, so the padding goes in by hand: the model's
// bytes are replaced in place with a shorter name, a NUL and leftovers.
TEST_F(PhotoPropertiesTest, ModelIsCutAtItsNulAndTrimmed) {
    if (!kelvara::test::exiftoolAvailable())
        GTEST_SKIP() << "exiftool is not installed";
    const std::string file =
        Written("jpg/Canon_40D.jpg", "model.jpg", {"-Model=Kelvara Test Camera"});
    std::string bytes = kelvara::test::readFile(file);
    const auto at = bytes.find("Kelvara Test Camera");
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(bytes.find("Kelvara Test Camera", at + 1), std::string::npos);
    bytes.replace(at, 19, std::string(" Kelvara Cam  \0junk", 19));
    kelvara::test::writeFile(file, bytes);
    EXPECT_EQ(Read(file).CameraModel, "Kelvara Cam");
}

TEST_F(PhotoPropertiesTest, ContentTheLibraryCannotOpenThrows) {
    const std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\"/>";
    for (const std::string& content :
         {std::string(), std::string("hello, world\n"), svg, std::string(4096, '\0')})
        EXPECT_THROW(ReadPhotoProperties(BytesOf(content)), TPhotoPropertiesError) << content;
    EXPECT_THROW(ReadSample("SOURCE.md"), TPhotoPropertiesError);
}

// A file cut off in its compressed image data still gives its metadata; one cut
// or damaged inside the metadata gives a clean error or the texts that could
// be read, never a crash or a stray exception type.
TEST_F(PhotoPropertiesTest, TruncatedAndDamagedPhotosFailCleanly) {
    const std::string canon(
        ByteText(ReadFileContent((kelvara::test::photosDir() / "jpg/Canon_40D.jpg").string())));
    const std::size_t scan = canon.rfind("\xFF\xDA");
    ASSERT_NE(scan, std::string::npos);
    const TPhotoProperties half =
        ReadPhotoProperties(BytesOf(canon.substr(0, scan + (canon.size() - scan) / 2)));
    EXPECT_EQ(half.DateTaken, "2008:05:30 15:56:01");
    EXPECT_EQ(half.Dimensions, "100 x 68");

    std::mt19937 random(20080318);
    int read = 0, refused = 0;
    for (const char* sample :
         {"jpg/Canon_40D.jpg", "jpg/tests/87_OSError.jpg", "jpg/xmp/BlueSquare.jpg",
          "tiff/Rudless.tiff", "jpg/invalid/image01088.jpg"}) {
        const TBytes whole = ReadFileContent((kelvara::test::photosDir() / sample).string());
        for (int round = 0; round < 150; ++round) {
            TBytes damaged = whole;
            if (round < 50) {
                damaged.resize(random() % whole.size());
            } else {
                // Metadata sits in the first few KiB; damage lands there.
                const auto span = std::min<std::size_t>(whole.size(), 16384);
                for (int hits = 1 + static_cast<int>(random() % 6); hits > 0; --hits)
                    damaged[random() % span] = static_cast<std::byte>(random());
            }
            try {
                ReadPhotoProperties(damaged);
                ++read;
            } catch (const TPhotoPropertiesError&) {
                ++refused;
            }
        }
    }
    // Both outcomes occur, so the damage really reached the parser.
    EXPECT_GT(read, 0);
    EXPECT_GT(refused, 0);
}

// Found by fuzzing: content that Exiv2 takes for a QuickTime video kept its
// video reader walking for minutes. A video is no photo and is refused at once.
TEST(PhotoPropertiesVideo, ContentExiv2TakesForAVideoIsRefused) {
    const std::string bytes = kelvara::test::readFile(std::string(KELVARA_SOURCE_DIR) +
                                                      "/fuzz/regressions/photo/quicktime-loop");
    EXPECT_THROW(kelvara::ReadPhotoProperties(kelvara::BytesOf(bytes)),
                 kelvara::TPhotoPropertiesError);
}

// Found by fuzzing: a Fujifilm RAW header whose preview offset and length add up
// past 4 GiB made Exiv2 throw std::overflow_error from its checked arithmetic.
// That is damaged metadata, and reported as such.
TEST(PhotoPropertiesDamage, OffsetsThatOverflowAreDamagedMetadata) {
    const std::string bytes = kelvara::test::readFile(
        std::string(KELVARA_SOURCE_DIR) + "/fuzz/regressions/photo/raf-offset-overflow");
    EXPECT_THROW(kelvara::ReadPhotoProperties(kelvara::BytesOf(bytes)),
                 kelvara::TPhotoPropertiesError);
}
