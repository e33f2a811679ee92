#include "platform/PhotoProperties.h"

#include "platform/PhotoDate.h"

#include <exiv2/exiv2.hpp>
#include <string_view>

namespace kelvara {

namespace {

// Tags are looked up with findKey: operator[] would add a missing tag to the
// metadata, and a missing tag is simply the empty text.
std::string ExifText(const Exiv2::ExifData& exif, const char* key) {
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    return it == exif.end() ? std::string() : it->toString();
}

std::string IptcText(const Exiv2::IptcData& iptc, const char* key) {
    const auto it = iptc.findKey(Exiv2::IptcKey(key));
    return it == iptc.end() ? std::string() : it->toString();
}

std::string XmpText(const Exiv2::XmpData& xmp, const char* key) {
    const auto it = xmp.findKey(Exiv2::XmpKey(key));
    return it == xmp.end() ? std::string() : it->toString();
}

// Exif strings are fixed-size fields: the text ends at the first NUL, and
// cameras pad the rest with blanks.
std::string ExifString(std::string value) {
    if (const auto nul = value.find('\0'); nul != std::string::npos)
        value.resize(nul);
    const auto first = value.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = value.find_last_not_of(" \t\r\n");
    return value.substr(first, last - first + 1);
}

// The order in which Windows looks for the date it shows as "Date taken";
// the first source with a real date wins, a zero or blank one is passed over.
std::string DateTaken(const Exiv2::Image& image) {
    const Exiv2::ExifData& exif = image.exifData();
    const Exiv2::IptcData& iptc = image.iptcData();
    const Exiv2::XmpData& xmp = image.xmpData();
    std::string date = ExifDateTime(ExifText(exif, "Exif.Photo.DateTimeOriginal"));
    if (date.empty()) {
        const std::string iptcDate = IptcText(iptc, "Iptc.Application2.DateCreated");
        if (!iptcDate.empty())
            date = IptcDateTime(iptcDate, IptcText(iptc, "Iptc.Application2.TimeCreated"));
    }
    if (date.empty())
        date = XmpDateTime(XmpText(xmp, "Xmp.xmp.CreateDate"));
    if (date.empty())
        date = ExifDateTime(ExifText(exif, "Exif.Photo.DateTimeDigitized"));
    if (date.empty())
        date = XmpDateTime(XmpText(xmp, "Xmp.exif.DateTimeOriginal"));
    return date;
}

std::string Dimensions(const Exiv2::Image& image) {
    // int in Exiv2 0.27, uint32_t in 0.28: compared only as "> 0".
    const auto width = image.pixelWidth();
    const auto height = image.pixelHeight();
    if (width > 0 && height > 0)
        return std::to_string(width) + " x " + std::to_string(height);
    return {};
}

} // namespace

TPhotoProperties ReadPhotoProperties(const QByteArray& content) {
#if EXIV2_TEST_VERSION(0, 28, 0)
    const auto size = static_cast<size_t>(content.size());
#else
    const auto size = static_cast<long>(content.size());
#endif
    try {
        // Exiv2 reads the bytes in place (no copy) and, given memory rather
        // than a path, cannot map the file.
        const auto image = Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte*>(content.constData()), size);
        image->readMetadata();
        TPhotoProperties properties;
        properties.DateTaken = DateTaken(*image);
        properties.Dimensions = Dimensions(*image);
        properties.CameraModel = ExifString(ExifText(image->exifData(), "Exif.Image.Model"));
        return properties;
    } catch (const Exiv2::Error& error) {
        throw TPhotoPropertiesError(error.what());
    }
}

} // namespace kelvara
