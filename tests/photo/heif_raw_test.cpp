// SPDX-License-Identifier: GPL-3.0-or-later
// Photos from phones (HEIC, HEIF, AVIF) and camera RAW files: the real
// samples and files written here with libheif and as DNG get the names that
// exiftool's reading gives them through the real rename step; their sizes are
// those of the primary image as stored; damaged ones are no images and keep
// their names, without a word on the console; files crafted against metadata
// readers keep theirs too.

#include "photo/GPImage.h"
#include "photo/HeifImage.h"
#include "photo/PhotoMetadataLibrary.h"
#include "photo/PhotoProperties.h"
#include "photo/RawImage.h"
#include "platform/FileContent.h"
#include "rename/NewName.h"
#include "rename/RenameStep.h"
#include "support/Exiftool.h"
#include "support/ExpectedNames.h"
#include "support/MinimalDng.h"
#include "support/StepQueues.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cstdio>
#include <exiv2/exiv2.hpp>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <libheif/heif.h>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

using namespace kelvara;
using namespace kelvara::test;
namespace fs = std::filesystem;

namespace {

// The first `count` bytes of `bytes`.
TBytes Left(const TBytes& bytes, std::size_t count) {
    return TBytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
}

// The real HEIC, HEIF and AVIF samples: phone photos and small files of
// other writers.
std::vector<fs::path> HeifSamples() {
    std::vector<fs::path> files;
    for (const fs::path& folder :
         {photosDir() / "heic", morePhotosDir() / "heic", morePhotosDir() / "avif"})
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            if (entry.is_regular_file())
                files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// An Exif block (TIFF layout) with a shooting date and a camera model.
std::vector<uint8_t> ExifBlock(const std::string& date, const std::string& model) {
    Exiv2::ExifData exif;
    exif["Exif.Image.Model"] = model;
    exif["Exif.Photo.DateTimeOriginal"] = date;
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, exif);
    return blob;
}

struct HeifContextFree {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HeifImageRelease {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct HeifHandleRelease {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct HeifEncoderRelease {
    void operator()(heif_encoder* encoder) const { heif_encoder_release(encoder); }
};
struct HeifOptionsFree {
    void operator()(heif_encoding_options* options) const { heif_encoding_options_free(options); }
};

// A photo encoded by libheif into `path`: a width x height gradient with the
// given Exif block, stored with `orientation` (which a viewer applies; the
// stored size stays width x height). False when no encoder for `format` is
// installed.
bool WriteHeif(const fs::path& path, heif_compression_format format, int width, int height,
               heif_orientation orientation, const std::vector<uint8_t>& exif) {
    const std::unique_ptr<heif_context, HeifContextFree> context(heif_context_alloc());
    heif_encoder* encoderOut = nullptr;
    if (heif_context_get_encoder_for_format(context.get(), format, &encoderOut).code !=
        heif_error_Ok)
        return false;
    const std::unique_ptr<heif_encoder, HeifEncoderRelease> encoder(encoderOut);
    heif_encoder_set_lossy_quality(encoder.get(), 50);
    heif_encoder_set_parameter(encoder.get(), "speed", "9"); // AV1 only; HEVC ignores it

    heif_image* imageOut = nullptr;
    EXPECT_EQ(
        heif_image_create(width, height, heif_colorspace_YCbCr, heif_chroma_420, &imageOut).code,
        heif_error_Ok);
    const std::unique_ptr<heif_image, HeifImageRelease> image(imageOut);
    for (const heif_channel channel : {heif_channel_Y, heif_channel_Cb, heif_channel_Cr}) {
        const int w = channel == heif_channel_Y ? width : (width + 1) / 2;
        const int h = channel == heif_channel_Y ? height : (height + 1) / 2;
        EXPECT_EQ(heif_image_add_plane(image.get(), channel, w, h, 8).code, heif_error_Ok);
        int stride = 0;
        uint8_t* plane = heif_image_get_plane(image.get(), channel, &stride);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                plane[y * stride + x] = static_cast<uint8_t>(
                    channel == heif_channel_Y ? (x * 255 / w + y * 64 / h) : 128 + (x - y) % 32);
    }
    const std::unique_ptr<heif_encoding_options, HeifOptionsFree> options(
        heif_encoding_options_alloc());
    options->image_orientation = orientation;
    heif_image_handle* handleOut = nullptr;
    EXPECT_EQ(heif_context_encode_image(context.get(), image.get(), encoder.get(), options.get(),
                                        &handleOut)
                  .code,
              heif_error_Ok);
    const std::unique_ptr<heif_image_handle, HeifHandleRelease> handle(handleOut);
    EXPECT_EQ(heif_context_add_exif_metadata(context.get(), handle.get(), exif.data(),
                                             static_cast<int>(exif.size()))
                  .code,
              heif_error_Ok);
    EXPECT_EQ(heif_context_write_to_file(context.get(), path.c_str()).code, heif_error_Ok);
    return true;
}

// The ways a phone photo arrives damaged: cut short at several points, blanked,
// its structure overwritten, or no photo at all but noise of the same size.
std::vector<std::pair<std::string, TBytes>> DamagedVariants(const TBytes& whole) {
    std::vector<std::pair<std::string, TBytes>> variants;
    for (const std::size_t cut :
         {std::size_t{11}, std::size_t{300}, whole.size() / 4, whole.size() / 2, whole.size() - 1})
        variants.emplace_back("cut at " + std::to_string(cut), Left(whole, cut));
    variants.emplace_back("zero-filled", TBytes(whole.size()));
    TBytes flipped = whole;
    for (std::size_t i = 0; i < std::min<std::size_t>(flipped.size(), 4096); ++i)
        flipped[i] = ~flipped[i];
    variants.emplace_back("first 4 KiB flipped", flipped);
    // The box after the file type box (the one that describes the images):
    // its size made too large for the file.
    TBytes boxSize = whole;
    const auto at = std::to_integer<std::size_t>(whole[3]); // the file type box's size
    boxSize[at] = boxSize[at] ^ std::byte{0x7F};
    variants.emplace_back("second box size flipped", boxSize);
    std::mt19937 random(5195);
    TBytes noise(whole.size());
    for (std::byte& byte : noise)
        byte = static_cast<std::byte>(random());
    variants.emplace_back("random bytes", noise);
    return variants;
}

// Collects what is written to the standard error stream while it lives.
class StderrCapture {
public:
    StderrCapture() : m_file(std::tmpfile()), m_saved(::dup(STDERR_FILENO)) {
        std::fflush(stderr);
        ::dup2(::fileno(m_file), STDERR_FILENO);
    }
    ~StderrCapture() {
        restore();
        std::fclose(m_file);
    }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    std::string text() {
        restore();
        std::rewind(m_file);
        std::string text;
        for (int c; (c = std::fgetc(m_file)) != EOF;)
            text.push_back(static_cast<char>(c));
        return text;
    }

private:
    void restore() {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }
    std::FILE* m_file;
    int m_saved;
};

class HeifRawTest : public ::testing::Test, protected StepQueues {
protected:
    TempDir temp;
    NoEscape escape;
    TFixedNamingOptions options{DatePatternMinute, TNameLayout::DateSizeModelFile};

    TRenameStep step() { return TRenameStep(worker, pending, options, escape); }

    // One rename step for each regular file below `root`.
    void RenameAll(const fs::path& root) {
        std::vector<std::string> paths;
        for (const auto& entry : fs::recursive_directory_iterator(root))
            if (entry.is_regular_file())
                paths.push_back(entry.path().string());
        TRenameStep step(worker, pending, options, escape);
        for (const auto& path : paths) {
            worker.AddPath(path);
            step.RenameNextFile();
        }
        EXPECT_EQ(worker.FileCount(), 0u);
    }
};

} // namespace

TEST_F(HeifRawTest, EveryPhoneAndRawPhotoGetsTheNameExiftoolGivesIt) {
    if (!exiftoolAvailable())
        GTEST_SKIP() << "exiftool is not installed";
    const fs::path root = temp.path() / "photos";
    fs::create_directories(root);
    fs::copy(photosDir() / "heic", root / "heic", fs::copy_options::recursive);
    fs::create_directories(root / "more" / "raw");
    for (const char* folder : {"heic", "avif"})
        fs::copy(morePhotosDir() / folder, root / "more" / folder, fs::copy_options::recursive);
    for (const char* file : {"IMG_1361.dng", "Canon-R6-pruned.CR3"})
        fs::copy(morePhotosDir() / "raw" / file, root / "more" / "raw");
    // Written here: an AVIF, a HEIC with a rotation for viewers to apply
    // (libheif stores its 64 x 40 pixels turned, as 40 x 64) and a camera RAW
    // file.
    const auto written = root / "written";
    fs::create_directories(written);
    const bool avif =
        WriteHeif(written / "avif_photo.avif", heif_compression_AV1, 48, 32,
                  heif_orientation_normal, ExifBlock("2023:08:09 10:11:12", "Kelvara AV1 Cam"));
    const bool heic = WriteHeif(written / "turned.heic", heif_compression_HEVC, 64, 40,
                                heif_orientation_rotate_90_cw,
                                ExifBlock("2024:02:29 23:59:58", "Kelvara HEVC Cam"));
    writeFile(written / "raw.dng", minimalDng({600, 400, "Kelvara", "Raw Cam 2"}));
    for (auto& entry : fs::recursive_directory_iterator(root))
        fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add);

    // Not CR3: the one sample has its image data pruned away, so it is no
    // image and keeps its name, though exiftool reads its date.
    const auto expected = exiftoolNames(root, {"HEIC", "HEIF", "AVIF", "DNG"});
    RenameAll(root);

    size_t renamed = 0;
    for (const auto& [oldName, newName] : expected) {
        EXPECT_TRUE(fs::exists(root / newName)) << oldName << " should be " << newName;
        renamed += oldName != newName;
    }
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        files += entry.is_regular_file();
    EXPECT_EQ(files, expected.size());
    // The two dated iPhone photos, the small HEIC, the iPhone DNG, the DNG
    // written here and whatever libheif could write.
    EXPECT_EQ(renamed, 5u + avif + heic);
    // The ones whose reading is known, so that a change in exiftool cannot
    // hide a fault here.
    EXPECT_TRUE(fs::exists(root / "heic" / "202104111547_2566x3313_iPhone11ProMax_IMG_5195.HEIC"));
    EXPECT_TRUE(fs::exists(root / "heic" / "mobile" /
                           "202202161255_4032x3024_iPhone13ProMax_iphone_13_pro_max.HEIC"));
    EXPECT_TRUE(fs::exists(written / "201907040915_600x400_RawCam2_raw.dng"));
    EXPECT_TRUE(
        fs::exists(root / "more" / "heic" / "201507161538_300x200_NIKOND5300_Stonehenge.heic"));
    EXPECT_TRUE(
        fs::exists(root / "more" / "raw" / "202012291424_4032x3024_iPhone12Pro_IMG_1361.dng"));
    EXPECT_TRUE(fs::exists(root / "more" / "raw" / "Canon-R6-pruned.CR3"));
    if (heic) {
        EXPECT_TRUE(fs::exists(written / "202402292359_40x64_KelvaraHEVCCam_turned.heic"));
    }
    if (avif) {
        EXPECT_TRUE(fs::exists(written / "202308091011_48x32_KelvaraAV1Cam_avif_photo.avif"));
    }

    // A CRW keeps its date in Canon's own blocks, which the tags asked above
    // do not cover; its name is checked against exiftool's reading of them.
    const fs::path crw = temp.path() / "crw";
    fs::create_directories(crw);
    fs::copy(morePhotosDir() / "raw" / "exiv2-canon-powershot-s40.crw", crw);
    EXPECT_EQ(runExiftool({"-s3", "-d", "%Y%m%d%H%M", "-DateTimeOriginal", "-ImageSize", "-Model",
                           (crw / "exiv2-canon-powershot-s40.crw").string()}),
              "200504231754\n2272x1704\nCanon PowerShot S40\n");
    RenameAll(crw);
    EXPECT_EQ(fileNames(crw), std::vector<std::string>{"200504231754_2272x1704_CanonPowerShotS40_"
                                                       "exiv2-canon-powershot-s40.crw"});
}

TEST_F(HeifRawTest, SizeIsThePrimaryImagesAsStored) {
    struct Known {
        fs::path file;
        int width, height;
    };
    // IMG_5195 was cropped after it was taken: its Exif still tells the
    // sensor's 4032 x 3024.
    for (const Known& known :
         {Known{photosDir() / "heic/IMG_5195.HEIC", 2566, 3313},
          Known{photosDir() / "heic/samplefilehub.heif", 640, 426},
          Known{photosDir() / "heic/mobile/iphone_13_pro_max.HEIC", 4032, 3024},
          Known{morePhotosDir() / "heic/Stonehenge.heic", 300, 200},
          Known{morePhotosDir() / "avif/avif_exif_xmp.avif", 120, 120},
          Known{morePhotosDir() / "avif/avif_metadata2.avif", 120, 120}}) {
        const TBytes content = ReadFileContent(known.file.string());
        EXPECT_EQ(TGPImage(content).GetType(), ImageTypeBitmap) << known.file;
        EXPECT_EQ(ReadHeifPrimarySize(content), (TPixelSize{known.width, known.height}))
            << known.file;
        EXPECT_EQ(ReadPhotoProperties(content).Dimensions,
                  std::to_string(known.width) + " x " + std::to_string(known.height))
            << known.file;
        // The HEIF decoder is asked about files of its own family only.
        EXPECT_FALSE(ReadRawImageHeader(content)) << known.file;
    }
    const TPhotoProperties iphone =
        ReadPhotoProperties(ReadFileContent((photosDir() / "heic/IMG_5195.HEIC").string()));
    EXPECT_EQ(iphone.DateTaken, "2021:04:11 15:47:53");
    EXPECT_EQ(iphone.CameraModel, "iPhone 11 Pro Max");
    // Other formats are none of the HEIF decoder's business.
    EXPECT_FALSE(
        ReadHeifPrimarySize(ReadFileContent((photosDir() / "jpg/Canon_40D.jpg").string())));
}

TEST_F(HeifRawTest, DamagedPhonePhotosAreNoImagesAndKeepTheirNames) {
    size_t checked = 0;
    for (const fs::path& sample : HeifSamples()) {
        const TBytes whole = ReadFileContent(sample.string());
        ASSERT_TRUE(IsImageContent(whole)) << sample;
        const fs::path folder = temp.path() / sample.stem();
        fs::create_directories(folder);
        for (const auto& [damage, content] : DamagedVariants(whole)) {
            EXPECT_FALSE(IsImageContent(content)) << sample << ": " << damage;
            StderrCapture console;
            EXPECT_FALSE(ReadHeifPrimarySize(content)) << sample << ": " << damage;
            EXPECT_FALSE(ReadRawImageHeader(content)) << sample << ": " << damage;
            EXPECT_EQ(console.text(), "") << sample << ": " << damage;
            writeFile(folder / (damage + sample.extension().string()),
                      std::string(ByteText(content)));
            ++checked;
        }
        const auto before = fileNames(folder);
        RenameAll(folder);
        EXPECT_EQ(fileNames(folder), before) << sample;
    }
    EXPECT_GE(checked, 5u * 9u);
}

TEST_F(HeifRawTest, ACameraRawFileIsAnImageOnlyWhileItsSensorDataIsThere) {
    const std::string dng = minimalDng({600, 400, "Kelvara", "Raw Cam 2"});
    const TBytes whole = BytesOf(dng);
    const auto header = ReadRawImageHeader(whole);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->size, (TPixelSize{600, 400}));
    EXPECT_TRUE(header->dataComplete);
    EXPECT_TRUE(IsImageContent(whole));
    const TPhotoProperties properties = ReadPhotoProperties(whole);
    EXPECT_EQ(properties.DateTaken, "2019:07:04 09:15:30");
    EXPECT_EQ(properties.Dimensions, "600 x 400");
    EXPECT_EQ(properties.CameraModel, "Raw Cam 2");
    if (exiftoolAvailable()) {
        writeFile(temp.path() / "raw.dng", dng);
        EXPECT_EQ(runExiftool({"-s3", "-Composite:ImageSize", temp.file("raw.dng")}), "600x400\n");
    }

    // Cut in its sensor data: the headers are whole, and Qt's reader would
    // take the TIFF they form for an image, but the photo is not all there.
    for (const size_t cut : {dng.size() - 1, dng.size() / 2, size_t{1200}}) {
        const TBytes content = Left(whole, cut);
        StderrCapture console;
        const auto cutHeader = ReadRawImageHeader(content);
        EXPECT_EQ(console.text(), "") << cut;
        ASSERT_TRUE(cutHeader) << cut;
        EXPECT_FALSE(cutHeader->dataComplete) << cut;
        EXPECT_FALSE(IsImageContent(content)) << cut;
    }
    // Cut inside its headers, blanked or noise: no RAW file at all.
    std::mt19937 random(2019);
    TBytes noise(whole.size());
    for (std::byte& byte : noise)
        byte = static_cast<std::byte>(random());
    for (const TBytes& content : {Left(whole, 60), TBytes(whole.size()), noise}) {
        StderrCapture console;
        EXPECT_FALSE(ReadRawImageHeader(content));
        EXPECT_EQ(console.text(), "");
        EXPECT_FALSE(IsImageContent(content));
    }

    // Through the step: the whole file is renamed, the cut one keeps its name.
    writeFile(temp.path() / "whole.dng", dng);
    writeFile(temp.path() / "cut.dng", dng.substr(0, dng.size() / 2));
    fs::remove(temp.path() / "raw.dng");
    RenameAll(temp.path());
    EXPECT_EQ(fileNames(temp.path()),
              (std::vector<std::string>{"201907040915_600x400_RawCam2_whole.dng", "cut.dng"}));
}

// Files crafted to crash, hang or exhaust metadata readers (from a metadata
// library's security reports): each is read through the real step, none
// counts as a photo, and every one keeps its name.
TEST_F(HeifRawTest, HostileFilesAreNoPhotosAndKeepTheirNames) {
    const fs::path folder = temp.path() / "hostile";
    fs::copy(morePhotosDir() / "hostile", folder);
    const auto before = fileNames(folder);
    ASSERT_GE(before.size(), 19u);
    for (const std::string& name : before)
        EXPECT_EQ(step().TargetFor((folder / name).string()), "") << name;
    RenameAll(folder);
    EXPECT_EQ(fileNames(folder), before);
}

TEST_F(HeifRawTest, PlainTiffsAreNoRawFilesAndStayImages) {
    size_t checked = 0;
    for (const auto& entry : fs::directory_iterator(photosDir() / "tiff")) {
        if (entry.path().extension() != ".tiff" && entry.path().extension() != ".tif")
            continue;
        const TBytes content = ReadFileContent(entry.path().string());
        EXPECT_FALSE(ReadRawImageHeader(content)) << entry.path();
        EXPECT_TRUE(IsImageContent(content)) << entry.path();
        ++checked;
    }
    EXPECT_GT(checked, 0u);
}
