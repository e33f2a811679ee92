// SPDX-License-Identifier: GPL-3.0-or-later
#include "photo/PhotoProperties.h"

#include "base/Trim.h"
#include "photo/AppleMakerNote.h"
#include "photo/HeifImage.h"
#include "photo/JpegHead.h"
#include "photo/JpegXmp.h"
#include "photo/MediaContainer.h"
#include "photo/PhotoDate.h"
#include "photo/RawImage.h"

#include <cstdint>
#include <exiv2/exiv2.hpp>
#include <mutex>
#include <new>
#include <string_view>
#include <system_error>

namespace kelvara {

// A file read head first must be told a video exactly as its whole content is.
static_assert(PhotoHeadSize >= static_cast<std::int64_t>(MediaSignatureSpan));

namespace {

// Exiv2's XMP toolkit keeps state of its own that two threads may not touch
// at once, in parsing and in looking up alike (the lock Exiv2 is given covers
// only part of it): every use of XMP here holds this, so that the readers of
// a fast run read one packet at a time. A JPEG's packet is rarely read
// (photo/JpegXmp.h), so the readers seldom wait.
std::mutex& XmpUse() {
    static std::mutex use;
    return use;
}

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
    return std::string(Trimmed(value));
}

// The order in which Windows looks for the date it shows as "Date taken";
// the first source with a real date wins, a zero or blank one is passed over.
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

std::string SizeText(const TPixelSize& size) {
    return std::to_string(size.width) + " x " + std::to_string(size.height);
}

std::string Dimensions(TPhotoSource& source, const Exiv2::Image& image) {
    // int in Exiv2 0.27, uint32_t in 0.28: compared only as "> 0".
    const auto width = image.pixelWidth();
    const auto height = image.pixelHeight();
    if (width > 0 && height > 0)
        return std::to_string(width) + " x " + std::to_string(height);
    // Exiv2 finds the main image of TIFF-based RAW files, but not the size
    // of every RAW format; the RAW decoder knows it from the headers.
    if (const auto raw = ReadRawImageHeader(source))
        return SizeText(raw->size);
    return {};
}

// Exiv2 0.27 knows no Apple maker note and keeps it whole, as bytes.
std::string ContentIdentifier(const Exiv2::ExifData& exif) {
    const auto it = exif.findKey(Exiv2::ExifKey("Exif.Photo.MakerNote"));
    if (it == exif.end() || it->size() < 16)
        return {};
    std::string note(static_cast<std::size_t>(it->size()), '\0');
    it->copy(reinterpret_cast<Exiv2::byte*>(note.data()), Exiv2::bigEndian);
    return AppleContentIdentifier(note);
}

TPhotoProperties Properties(const Exiv2::ExifData& exif, const Exiv2::IptcData& iptc,
                            const Exiv2::XmpData& xmp, std::string dimensions) {
    TPhotoProperties properties;
    properties.DateTaken = DateTaken(exif, iptc, xmp);
    if (!properties.DateTaken.empty())
        properties.DateSource = TDateSource::PhotoMetadata;
    properties.Dimensions = std::move(dimensions);
    properties.CameraModel = ExifString(ExifText(exif, "Exif.Image.Model"));
    properties.ContentIdentifier = ContentIdentifier(exif);
    return properties;
}

// `content` with a NUL after it (not counted in its size), as Exiv2 may
// read one byte past the end of a text that has none.
TBytes Terminated(const TBytes& content) {
    TBytes bytes;
    bytes.reserve(content.size() + 1);
    bytes.assign(content.begin(), content.end());
    bytes.push_back(std::byte{0});
    return bytes;
}

// A HEIF file holds several images (tiles, thumbnails, depth maps) and its
// metadata belongs to one of them. The decoder finds the primary image, its
// size as stored and its own Exif and XMP; Exiv2 reads only those. (Exiv2's
// own reading of these files misses the Exif of some of them, and reports
// whichever image size it met last, or the Exif size of a photo taken before
// it was cropped.)
TPhotoProperties HeifProperties(const THeifPrimaryImage& primary) {
    Exiv2::ExifData exif;
    if (!primary.exif.empty()) {
        // A damaged block counts as none, as Exiv2 has it for JPEG files.
        try {
            const TBytes block = Terminated(primary.exif);
            if (Exiv2::ExifParser::decode(exif, reinterpret_cast<const Exiv2::byte*>(block.data()),
                                          static_cast<std::uint32_t>(primary.exif.size())) ==
                Exiv2::invalidByteOrder)
                exif.clear();
        } catch (const Exiv2::Error&) {
            exif.clear();
        }
    }
    const std::lock_guard xmpUse(XmpUse());
    Exiv2::XmpData xmp;
    if (!primary.xmp.empty() &&
        Exiv2::XmpParser::decode(xmp, std::string(ByteText(primary.xmp))) != 0)
        xmp.clear(); // a damaged packet: as if there were none
    return Properties(exif, Exiv2::IptcData(), xmp, SizeText(primary.size));
}

// Exiv2's video readers (QuickTime, RIFF, Matroska, ASF) walk their
// containers in loops that crafted files can keep going for minutes, on the
// main thread. A video is no photo: such content is never handed to them.
bool IsVideo(const Exiv2::byte* data, std::size_t size) {
#if EXIV2_TEST_VERSION(0, 28, 0)
    const auto type = Exiv2::ImageFactory::getType(data, size);
    return type == Exiv2::ImageType::qtime || type == Exiv2::ImageType::riff ||
           type == Exiv2::ImageType::mkv || type == Exiv2::ImageType::asf;
#else
    // The type numbers Exiv2 0.27 gives its video readers (quicktimevideo.hpp,
    // riffvideo.hpp, matroskavideo.hpp, asfvideo.hpp), which it declares only
    // when built with video support.
    const int type = Exiv2::ImageFactory::getType(data, static_cast<long>(size));
    return type == 20 || type == 21 || type == 22 || type == 24;
#endif
}

// What the metadata library is given: the content at hand; of a file, a
// JPEG's markers up to its first scan (the library stops there), else the
// whole file. What had to be read is kept in `read`.
const TBytes& MetadataContent(TPhotoSource& source, TBytes& read) {
    if (const TBytes* whole = source.Whole())
        return *whole;
    if (const auto length = JpegHeadLength(source))
        read = source.Read(0, *length);
    else
        read = source.ReadAll();
    source.CheckReads();
    return read;
}

} // namespace

TPhotoProperties ReadPhotoProperties(TPhotoSource& source) {
    try {
        if (const auto heif = ReadHeifPrimaryImage(source))
            return HeifProperties(*heif);
        source.CheckReads();
        const TBytes& head = source.Head();
        if (IsMediaContainer(ByteText(head)) ||
            IsVideo(reinterpret_cast<const Exiv2::byte*>(head.data()), head.size()))
            throw TPhotoPropertiesError("a video, not a photo");
        TBytes read;
        const TBytes& content = MetadataContent(source, read);
#if EXIV2_TEST_VERSION(0, 28, 0)
        const auto size = static_cast<size_t>(content.size());
#else
        const auto size = static_cast<long>(content.size());
#endif
        // A JPEG's XMP packet is read only where its Exif has no shooting
        // date (photo/JpegXmp.h): it is hidden from the first reading.
        const std::optional<std::size_t> xmp = JpegXmpIdentifier(ByteText(content));
        // Exiv2 reads the bytes in place and, given memory rather than a
        // path, cannot map the file. Some of its readers (CRW's among them)
        // take a text up to its NUL, past the end of what they were given
        // where none comes: it is given a copy with a NUL after the content,
        // in which the packet can be hidden without touching what the
        // source holds.
        TBytes bytes = Terminated(content);
        if (xmp)
            bytes[*xmp] = std::byte{'X'};
        // A JPEG without its packet, or with it hidden, needs no lock;
        // anything else may hold XMP that Exiv2 parses as it reads (a JPEG
        // whose segments the search above could not follow included).
        const bool jpeg =
            content.size() >= 2 && content[0] == std::byte{0xFF} && content[1] == std::byte{0xD8};
        std::unique_lock xmpUse(XmpUse(), std::defer_lock);
        if (!jpeg || (!xmp && ByteText(content).find("http://ns.adobe.com/xap/1.0/") !=
                                  std::string_view::npos))
            xmpUse.lock();
        const auto* start = reinterpret_cast<const Exiv2::byte*>(bytes.data());
        auto image = Exiv2::ImageFactory::open(start, size);
        image->readMetadata();
        if (xmp &&
            ExifDateTime(ExifText(image->exifData(), "Exif.Photo.DateTimeOriginal")).empty()) {
            bytes[*xmp] = content[*xmp];
            if (!xmpUse.owns_lock())
                xmpUse.lock();
            image = Exiv2::ImageFactory::open(start, size);
            image->readMetadata();
        }
        TPhotoProperties properties = Properties(image->exifData(), image->iptcData(),
                                                 image->xmpData(), Dimensions(source, *image));
        source.CheckReads();
        return properties;
    } catch (const Exiv2::Error& error) {
        throw TPhotoPropertiesError(error.what());
    } catch (const TPhotoPropertiesError&) {
        throw;
    } catch (const std::system_error&) {
        // A read that failed, not damaged content.
        throw;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& error) {
        // Exiv2 also checks its offset arithmetic and table look-ups with the
        // standard exceptions (std::overflow_error, std::out_of_range): that is
        // damaged metadata like any other.
        throw TPhotoPropertiesError(error.what());
    }
}

TPhotoProperties ReadPhotoProperties(const TBytes& content) {
    TContentSource source(content);
    return ReadPhotoProperties(source);
}

} // namespace kelvara
