// SPDX-License-Identifier: GPL-3.0-or-later
// Photos read head first (photo/PhotoSource.h): a file gives the same answers
// as its whole content, a video container is refused by its head alone, and
// a photo is read only as far as its readers ask.

#include "photo/GPImage.h"
#include "photo/ImageTest.h"
#include "photo/JpegHead.h"
#include "photo/MediaContainer.h"
#include "photo/PhotoFile.h"
#include "photo/PhotoMetadataLibrary.h"
#include "photo/PhotoProperties.h"
#include "photo/PhotoSource.h"
#include "platform/FileContent.h"
#include "support/TempDir.h"
#include "support/VideoFiles.h"

#include <QCoreApplication>
#include <filesystem>
#include <gtest/gtest.h>
#include <new>
#include <string>
#include <system_error>
#include <unistd.h>

using namespace kelvara;
using namespace kelvara::test;
namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t LargeSize = std::uint64_t{300} * 1024 * 1024;

// What the step would learn of a file: its image type, and its properties or
// the kind of failure.
struct Answer {
    int type = -1;
    std::string properties;
    bool operator==(const Answer&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Answer& answer) {
    return out << "type " << answer.type << ", " << answer.properties;
}

Answer AnswerOf(TPhotoSource& typeSource, TPhotoSource& propertiesSource) {
    Answer answer;
    answer.type = TGPImage(typeSource).GetType();
    try {
        const TPhotoProperties properties = ReadPhotoProperties(propertiesSource);
        answer.properties =
            properties.DateTaken + " | " + properties.Dimensions + " | " + properties.CameraModel;
    } catch (const TPhotoPropertiesError&) {
        answer.properties = "no metadata";
    } catch (const std::system_error& error) {
        answer.properties = std::string("unreadable: ") + error.what();
    } catch (const std::bad_alloc&) {
        answer.properties = "out of memory";
    }
    return answer;
}

Answer WholeAnswer(const std::string& path) {
    const TBytes content = ReadFileContent(path);
    TContentSource forType(content);
    TContentSource forProperties(content);
    return AnswerOf(forType, forProperties);
}

Answer FileAnswer(const std::string& path) {
    TFileSource forType(path);
    TFileSource forProperties(path);
    return AnswerOf(forType, forProperties);
}

// A copy of a sample with `extra` bytes of hole after it: what its readers
// see is unchanged, and a read of the whole would show in the count.
std::string WithHoleAfter(const fs::path& sample, const fs::path& folder, std::uint64_t extra) {
    const fs::path copy = folder / ("holed-" + sample.filename().string());
    fs::copy_file(sample, copy);
    fs::resize_file(copy, fs::file_size(copy) + extra);
    return copy.string();
}

class PhotoHeadTest : public ::testing::Test {
protected:
    TPhotoMetadataLibrary library;
    TempDir temp;
};

} // namespace

TEST_F(PhotoHeadTest, EveryTestFileAnswersAsItsWholeContentDoes) {
    int checked = 0;
    int large = 0;
    for (const fs::path& root :
         {fs::path(KELVARA_TEST_DATA), fs::path(KELVARA_SOURCE_DIR) / "fuzz"}) {
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            if (!entry.is_regular_file())
                continue;
            const std::string path = entry.path().string();
            EXPECT_EQ(FileAnswer(path), WholeAnswer(path)) << path;
            EXPECT_EQ(IsImageFile(path), IsImageContent(ReadFileContent(path))) << path;
            ++checked;
            large += entry.file_size() > static_cast<std::uintmax_t>(PhotoHeadSize);
        }
    }
    // The samples, the hostile files and the fuzz seeds; a dozen of them are
    // longer than the head, where reading head first differs from reading whole.
    EXPECT_GE(checked, 100);
    EXPECT_GE(large, 10);
}

TEST_F(PhotoHeadTest, VideoContainersAreRefusedByTheirHeadAlone) {
    for (const VideoKind kind : AllVideoKinds()) {
        const std::string path =
            temp.file("video" + std::to_string(static_cast<int>(kind)) + VideoExtension(kind));
        WriteVideo(path, kind, LargeSize, true);
        TFileSource source(path);
        EXPECT_TRUE(IsMediaContainer(ByteText(source.Head()))) << path;
        EXPECT_EQ(TGPImage(source).GetType(), ImageTypeUnknown) << path;
        EXPECT_THROW(ReadPhotoProperties(source), TPhotoPropertiesError) << path;
        EXPECT_EQ(source.BytesReadBeyondHead(), 0) << path;
        EXPECT_FALSE(IsImageFile(path)) << path;
        EXPECT_FALSE(ReadPhotoFile(path)) << path;
    }
}

TEST_F(PhotoHeadTest, StillImagesOfTheMediaFamiliesAreNoVideos) {
    const auto head = [](const fs::path& file) {
        TFileSource source(file.string());
        return std::string(ByteText(source.Head()));
    };
    // HEIC, HEIF and AVIF are ISO media files; so is Canon's CR3.
    for (const fs::path& still :
         {photosDir() / "heic" / "IMG_5195.HEIC", photosDir() / "heic" / "samplefilehub.heif",
          morePhotosDir() / "avif" / "avif_exif_xmp.avif",
          morePhotosDir() / "raw" / "Canon-R6-pruned.CR3", photosDir() / "jpg" / "Canon_40D.jpg",
          photosDir() / "tiff" / "Rudless.tiff"})
        EXPECT_FALSE(IsMediaContainer(head(still))) << still;
    // A still brand among the compatible ones counts as much as a major one,
    // and a RIFF file may be a WebP picture.
    std::string isoStill("\0\0\0\x18"
                         "ftypisom\0\0\0\0mp41mif1",
                         24);
    EXPECT_FALSE(IsMediaContainer(isoStill));
    isoStill.replace(20, 4, "avc1");
    EXPECT_TRUE(IsMediaContainer(isoStill));
    EXPECT_FALSE(IsMediaContainer(std::string("RIFF\x10\0\0\0WEBPVP8 ", 16)));
    EXPECT_TRUE(IsMediaContainer(std::string("RIFF\x10\0\0\0WAVEfmt ", 16)));
    // A few stray sync bytes are no transport stream.
    std::string packets(188 * 3, '\0');
    for (std::size_t at = 0; at < packets.size(); at += 188)
        packets[at] = '\x47';
    EXPECT_FALSE(IsMediaContainer(packets));
}

TEST_F(PhotoHeadTest, AJpegIsReadUpToItsFirstScanAndNoFurther) {
    const fs::path sample = photosDir() / "jpg" / "Canon_40D.jpg";
    const TBytes bytes = ReadFileContent(sample.string());
    const std::string_view content = ByteText(bytes);
    // The main image's scan is the last one: the thumbnail's lies inside the
    // Exif block, before it.
    const std::size_t found = content.rfind("\xFF\xDA");
    ASSERT_NE(found, std::string_view::npos);
    const auto scan = static_cast<std::int64_t>(found);
    const auto segment =
        static_cast<std::int64_t>((static_cast<unsigned char>(content[found + 2]) << 8) |
                                  static_cast<unsigned char>(content[found + 3]));
    TContentSource whole(bytes);
    const auto length = JpegHeadLength(whole);
    ASSERT_TRUE(length);
    EXPECT_GE(*length, scan + 2 + segment);
    EXPECT_LE(*length, scan + 2 + segment + 64) << "a few bytes more at most";

    // Its metadata, read from a file with 300 MB after it, costs no read
    // beyond the head.
    const std::string holed = WithHoleAfter(sample, temp.path(), LargeSize);
    TFileSource file(holed);
    EXPECT_EQ(TGPImage(file).GetType(), ImageTypeBitmap);
    const TPhotoProperties properties = ReadPhotoProperties(file);
    EXPECT_EQ(properties.DateTaken, "2008:05:30 15:56:01");
    EXPECT_EQ(properties.Dimensions, "100 x 68");
    EXPECT_EQ(file.BytesReadBeyondHead(), 0);

    // Metadata that reaches beyond the head is read as far as it goes:
    // comment segments of 60 KB before the frame push the scan past it.
    std::string padded(content.substr(0, 2));
    for (int i = 0; i < 3; ++i) {
        padded += std::string_view("\xFF\xFE\xEA\x62", 4);
        padded += std::string(60000, 'c');
    }
    padded += content.substr(2);
    const fs::path paddedPath = temp.path() / "padded.jpg";
    writeFile(paddedPath, padded);
    fs::resize_file(paddedPath, static_cast<std::uintmax_t>(padded.size()) + LargeSize);
    TFileSource far(paddedPath.string());
    EXPECT_EQ(ReadPhotoProperties(far).DateTaken, "2008:05:30 15:56:01");
    EXPECT_GT(far.BytesReadBeyondHead(), 0);
    EXPECT_LT(far.BytesReadBeyondHead(), 4 * PhotoHeadSize);
    EXPECT_EQ(FileAnswer(paddedPath.string()), WholeAnswer(paddedPath.string()));
}

TEST_F(PhotoHeadTest, LargeFilesOfNoImageFormatAreNotReadBeyondTheirHead) {
    struct Case {
        const char* name;
        std::string head;
    };
    const Case cases[] = {
        {"notes.txt", std::string(70000, 'x')},
        {"zeros.bin", std::string()},
        {"archive.zip", std::string("PK\x03\x04\x14\0\0\0", 8) + std::string(1000, '\x5A')},
        {"document.pdf", "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n"},
        {"music.mp3", std::string("ID3\x04\0\0\0\0\0\x10", 10) + std::string(4000, '\x55')},
    };
    for (const Case& c : cases) {
        const fs::path path = temp.path() / c.name;
        writeFile(path, c.head);
        fs::resize_file(path, LargeSize);
        TFileSource source(path.string());
        EXPECT_EQ(TGPImage(source).GetType(), ImageTypeUnknown) << c.name;
        EXPECT_EQ(source.BytesReadBeyondHead(), 0) << c.name;
        EXPECT_FALSE(ReadPhotoFile(path.string())) << c.name;
    }
}
