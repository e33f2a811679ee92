// SPDX-License-Identifier: GPL-3.0-or-later
#include "photo/GPImage.h"

#include "photo/HeifImage.h"
#include "photo/MediaContainer.h"
#include "photo/RawImage.h"
#include "photo/qt/SourceDevice.h"

#include <QBuffer>
#include <QImageReader>
#include <QSize>
#include <optional>
#include <string_view>

namespace kelvara {

namespace {

// An XML document whose root element is <svg>. Only the first few KiB are
// looked at: the prolog (declaration, comments, doctype) is short in every
// real drawing.
bool IsSvgText(std::string_view text) {
    text = text.substr(0, 4096);
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    const auto skipBlanks = [&text] {
        const auto first = text.find_first_not_of(" \t\r\n");
        text.remove_prefix(first == std::string_view::npos ? text.size() : first);
    };
    const auto skipPast = [&text](std::string_view end) {
        const auto at = text.find(end);
        if (at == std::string_view::npos)
            return false;
        text.remove_prefix(at + end.size());
        return true;
    };
    for (;;) {
        skipBlanks();
        if (text.starts_with("<?")) {
            if (!skipPast("?>"))
                return false;
        } else if (text.starts_with("<!--")) {
            if (!skipPast("-->"))
                return false;
        } else if (text.starts_with("<!DOCTYPE")) {
            // An internal subset ([...]) may hold '>' of its own.
            const auto close = text.find('>');
            const auto subset = text.find('[');
            if (!skipPast(subset < close ? "]" : ">"))
                return false;
            if (subset < close && !skipPast(">"))
                return false;
        } else {
            break;
        }
    }
    if (!text.starts_with('<'))
        return false;
    text.remove_prefix(1);
    // The root may carry a namespace prefix: <svg:svg ...>.
    const auto nameEnd = text.find_first_of(" \t\r\n/>");
    if (nameEnd == std::string_view::npos)
        return false;
    std::string_view name = text.substr(0, nameEnd);
    if (const auto colon = name.find(':'); colon != std::string_view::npos)
        name.remove_prefix(colon + 1);
    return name == "svg";
}

// The Windows metafiles: an enhanced metafile's header record (type 1 with
// the " EMF" signature at offset 40), a placeable WMF's key, or a plain WMF
// header (type 1 or 2, 9 words long, version 1 or 3).
bool IsWindowsMetafile(std::string_view data) {
    if (data.size() >= 44 && data.starts_with(std::string_view("\x01\x00\x00\x00", 4)) &&
        data.substr(40, 4) == " EMF")
        return true;
    if (data.starts_with("\xD7\xCD\xC6\x9A"))
        return true;
    return data.size() >= 18 && (data[0] == '\x01' || data[0] == '\x02') &&
           data.substr(1, 3) == std::string_view("\x00\x09\x00", 3) && data[4] == '\x00' &&
           (data[5] == '\x01' || data[5] == '\x03');
}

TImageType DetectType(TPhotoSource& source) {
    const std::string_view data = ByteText(source.Head());
    if (data.empty())
        return ImageTypeUnknown;
    // Both look at the first few KiB only.
    if (IsSvgText(data) || IsWindowsMetafile(data))
        return ImageTypeMetafile;
    // No image format starts like a video container, and the decoders below
    // would walk one (the RAW decoder follows every chunk of an AVI file).
    if (IsMediaContainer(data))
        return ImageTypeUnknown;

    // Content at hand is read through a QBuffer, a file through a device
    // that reads only where the reader looks. QBuffer only reads here, but
    // takes a non-const array; it works on one over the content's own bytes,
    // so the content is not copied.
    QByteArray shared;
    QBuffer buffer;
    std::optional<TSourceDevice> file;
    QIODevice* device = &buffer;
    if (const TBytes* whole = source.Whole()) {
        shared = QByteArray::fromRawData(CharData(*whole), static_cast<qsizetype>(whole->size()));
        buffer.setBuffer(&shared);
        if (!buffer.open(QIODevice::ReadOnly))
            return ImageTypeUnknown;
    } else {
        device = &file.emplace(source);
    }
    QImageReader reader(device);
    if (reader.canRead()) {
        // With Qt's SVG plugin installed the reader claims compressed drawings
        // (.svgz) that the signature test above cannot see into.
        const QByteArray format = reader.format();
        if (format == "svg" || format == "svgz")
            return ImageTypeMetafile;
        // Most camera RAW formats are TIFF underneath, and the reader sees
        // their first image (often a small preview) only. Whether the photo
        // itself is there is for the RAW decoder to say.
        if (format == "tiff") {
            if (const auto raw = ReadRawImageHeader(source))
                return raw->dataComplete ? ImageTypeBitmap : ImageTypeUnknown;
        }
        if (!reader.supportsOption(QImageIOHandler::Size))
            return ImageTypeBitmap;
        // A recognised signature with a header that gives no size is a
        // damaged or cut-off file.
        const QSize size = reader.size();
        return size.isValid() && !size.isEmpty() ? ImageTypeBitmap : ImageTypeUnknown;
    }
    // The formats of today's phones and cameras, which Qt's reader does not
    // know: the HEIF family first, as its test is the cheaper.
    if (ReadHeifPrimarySize(source))
        return ImageTypeBitmap;
    if (const auto raw = ReadRawImageHeader(source); raw && raw->dataComplete)
        return ImageTypeBitmap;
    return ImageTypeUnknown;
}

TImageType DetectContentType(const TBytes& content) {
    TContentSource source(content);
    return DetectType(source);
}

} // namespace

TGPImage::TGPImage(const TBytes& content) : m_type(DetectContentType(content)) {}

TGPImage::TGPImage(TPhotoSource& source) : m_type(DetectType(source)) {}

bool IsImageContent(const TBytes& content) {
    return TGPImage(content).GetType() == ImageTypeBitmap;
}

bool IsImageContent(TPhotoSource& source) {
    return TGPImage(source).GetType() == ImageTypeBitmap;
}

} // namespace kelvara
