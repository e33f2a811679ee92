// SPDX-License-Identifier: GPL-3.0-or-later
// The image test: which contents count as raster images (type 1), which as
// vector drawings (type 2) and which as nothing we can load (type 0).

#include "photo/GPImage.h"
#include "platform/FileContent.h"
#include "support/TempDir.h"

#include <QBuffer>
#include <QImage>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

using namespace kelvara;
namespace fs = std::filesystem;

namespace {

std::string Photo(const std::string& relative) {
    return std::string(ByteText(ReadFileContent((kelvara::test::photosDir() / relative).string())));
}

TImageType TypeOf(const std::string& content) {
    return TGPImage(BytesOf(content)).GetType();
}

std::string Encoded(const char* format) {
    QImage image(9, 7, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format)) << format;
    return bytes.toStdString();
}

} // namespace

TEST(ImageType, EverySamplePhotoIsARasterImage) {
    int checked = 0;
    for (const auto& entry : fs::recursive_directory_iterator(kelvara::test::photosDir())) {
        const auto extension = entry.path().extension().string();
        if (extension != ".jpg" && extension != ".jpeg" && extension != ".tiff")
            continue;
        const TBytes content = ReadFileContent(entry.path().string());
        EXPECT_EQ(TGPImage(content).GetType(), ImageTypeBitmap) << entry.path();
        EXPECT_TRUE(IsImageContent(content)) << entry.path();
        ++checked;
    }
    // The set holds 35 JPEGs and TIFFs; finding fewer would hide a wrong path.
    EXPECT_GE(checked, 35);
}

TEST(ImageType, OtherRasterFormatsCountToo) {
    for (const char* format : {"png", "bmp", "webp", "tiff", "ppm", "ico"})
        EXPECT_EQ(TypeOf(Encoded(format)), ImageTypeBitmap) << format;
}

TEST(ImageType, TextEmptyAndReadmeFilesAreNoImages) {
    EXPECT_EQ(TypeOf(std::string()), ImageTypeUnknown);
    EXPECT_EQ(TypeOf("hello, world\n"), ImageTypeUnknown);
    EXPECT_EQ(TypeOf(Photo("SOURCE.md")), ImageTypeUnknown);
    EXPECT_EQ(TypeOf(Photo("jpg/invalid/README")), ImageTypeUnknown);
    EXPECT_EQ(TypeOf(std::string(4096, '\0')), ImageTypeUnknown);
    EXPECT_FALSE(IsImageContent(BytesOf("P1\n")));
}

// A file cut short still counts while its header is whole (as the native
// loader, which decodes lazily, would load it); cut inside the header it is
// damaged.
TEST(ImageType, TruncatedImagesCountOnlyWhileTheirHeaderIsWhole) {
    const std::string jpeg = Photo("jpg/Canon_40D.jpg");
    // Half-way through the compressed data after the last start-of-scan marker
    // (the first one belongs to the thumbnail inside the Exif block).
    const std::size_t scan = jpeg.rfind("\xFF\xDA");
    ASSERT_NE(scan, std::string::npos);
    EXPECT_EQ(TypeOf(jpeg.substr(0, scan + (jpeg.size() - scan) / 2)), ImageTypeBitmap);
    EXPECT_EQ(TypeOf(jpeg.substr(0, 2)), ImageTypeUnknown);
    EXPECT_EQ(TypeOf(jpeg.substr(0, 200)), ImageTypeUnknown);

    const std::string png = Encoded("png");
    EXPECT_EQ(TypeOf(png.substr(0, 20)), ImageTypeUnknown);
    const std::string tiff = Photo("tiff/Arbitro.tiff");
    EXPECT_EQ(TypeOf(tiff.substr(0, 8)), ImageTypeUnknown);
}

TEST(ImageType, DrawingsAreMetafilesAndNoImages) {
    const std::string plain = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"4\" height=\"4\">"
                              "<rect width=\"4\" height=\"4\"/></svg>\n";
    const std::string prolog =
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!-- drawn by hand -->\n"
        "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" "
        "\"http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd\" [ <!ENTITY e \"x>\"> ]>\n"
        "<svg:svg xmlns:svg=\"http://www.w3.org/2000/svg\"/>";
    for (const std::string& svg : {plain, prolog}) {
        EXPECT_EQ(TypeOf(svg), ImageTypeMetafile) << svg;
        EXPECT_FALSE(IsImageContent(BytesOf(svg)));
    }
    // XML whose root is something else, and an element merely named like it.
    EXPECT_EQ(TypeOf("<?xml version=\"1.0\"?><html><svg/></html>"), ImageTypeUnknown);
    EXPECT_EQ(TypeOf("<svgfont/>"), ImageTypeUnknown);

    // An enhanced metafile's header record and a placeable WMF's key.
    std::string emf(88, '\0');
    emf[0] = '\x01';
    emf[4] = '\x58';
    emf.replace(40, 4, " EMF");
    EXPECT_EQ(TypeOf(emf), ImageTypeMetafile);
    std::string wmf("\xD7\xCD\xC6\x9A", 4);
    wmf.append(40, '\0');
    EXPECT_EQ(TypeOf(wmf), ImageTypeMetafile);
}
