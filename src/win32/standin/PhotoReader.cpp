// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/standin/PhotoReader.h"

#include "base/Trim.h"
#include "photo/PhotoDate.h"
#include "win32/UniqueHandle.h"

#include <algorithm>
#include <exiv2/exiv2.hpp>
#include <windows.h>

namespace kelvara::standin {

namespace {

// findKey, never operator[]: that would add the missing tag.
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

// Exif strings are fixed-size fields, ended by a NUL and padded with blanks.
std::string ExifString(std::string value) {
    if (const auto nul = value.find('\0'); nul != std::string::npos)
        value.resize(nul);
    return std::string(Trimmed(value));
}

// The order in which Windows looks for its "Date taken".
std::string DateTaken(const Exiv2::ExifData& exif, const Exiv2::IptcData& iptc,
                      const Exiv2::XmpData& xmp) {
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

} // namespace

std::vector<unsigned char> ReadFileContent(const std::wstring& path) {
    const TUniqueHandle file(CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot open the file");
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size))
        throw std::runtime_error("cannot tell the file's size");
    if (size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > MaxPhotoSize)
        throw std::runtime_error("too large for a photo");
    std::vector<unsigned char> content(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < content.size()) {
        DWORD read = 0;
        const auto wanted =
            static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1 << 24));
        if (!ReadFile(file.get(), content.data() + done, wanted, &read, nullptr))
            throw std::runtime_error("cannot read the file");
        if (read == 0)
            break; // cut short since its size was taken
        done += read;
    }
    content.resize(done);
    return content;
}

TPhotoProperties ReadPhotoProperties(const std::vector<unsigned char>& content) {
    if (content.empty())
        throw std::runtime_error("an empty file");
    const auto image = Exiv2::ImageFactory::open(content.data(), static_cast<long>(content.size()));
    image->readMetadata();
    TPhotoProperties properties;
    properties.DateTaken = DateTaken(image->exifData(), image->iptcData(), image->xmpData());
    if (image->pixelWidth() > 0 && image->pixelHeight() > 0)
        properties.Dimensions =
            std::to_string(image->pixelWidth()) + " x " + std::to_string(image->pixelHeight());
    properties.CameraModel = ExifString(ExifText(image->exifData(), "Exif.Image.Model"));
    return properties;
}

} // namespace kelvara::standin
