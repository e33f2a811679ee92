// SPDX-License-Identifier: GPL-3.0-or-later
// Photos anyone may have made: any bytes, through the path the rename step
// takes: the image test, then the metadata. Each input goes through twice:
// as a content read whole, and as a file is read head first (its head at
// once, the rest where the readers look: the image reader's device, the RAW
// decoder's stream, the HEIF reader, the JPEG marker walk, the video test).
// Both must give the same answers. The step survives only
// TPhotoPropertiesError from the metadata reader, so any other exception that
// escapes here would end the program: libFuzzer reports it as a crash. What
// is read must have the promised forms.
//
// The video reader (MP4, MOV: box walker, movie box, date rules) gets every
// input too, from memory and as a file is read head first; it throws nothing,
// and its answers must agree. The sample videos of tests/data seed it.

#include "FuzzCheck.h"
#include "photo/ByteSource.h"
#include "photo/GPImage.h"
#include "photo/MediaFile.h"
#include "photo/PhotoMetadataLibrary.h"
#include "photo/PhotoProperties.h"
#include "photo/PhotoSource.h"
#include "photo/VideoProperties.h"

#include <QCoreApplication>
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

using kelvara::fuzz::Require;

namespace {

bool Digits(const std::string& text, std::size_t from, std::size_t count) {
    for (std::size_t i = from; i < from + count; ++i)
        if (i >= text.size() || std::isdigit(static_cast<unsigned char>(text[i])) == 0)
            return false;
    return true;
}

// "YYYY:MM:DD HH:MM:SS"
bool IsDateTime(const std::string& text) {
    return text.size() == 19 && Digits(text, 0, 4) && text[4] == ':' && Digits(text, 5, 2) &&
           text[7] == ':' && Digits(text, 8, 2) && text[10] == ' ' && Digits(text, 11, 2) &&
           text[13] == ':' && Digits(text, 14, 2) && text[16] == ':' && Digits(text, 17, 2);
}

// "W x H" with both numbers above zero.
bool IsDimensions(const std::string& text) {
    const auto sep = text.find(" x ");
    if (sep == std::string::npos || sep == 0 || sep + 3 >= text.size())
        return false;
    return Digits(text, 0, sep) && Digits(text, sep + 3, text.size() - sep - 3) && text[0] != '0' &&
           text[sep + 3] != '0';
}

// The content as a file is read: the head at once, the rest on demand.
class TPiecewiseSource final : public kelvara::TPhotoSource {
public:
    explicit TPiecewiseSource(const kelvara::TBytes& content) : m_content(content) {
        const auto size = static_cast<std::int64_t>(content.size());
        if (size <= kelvara::PhotoHeadSize)
            SetWhole(content);
        else
            SetHead(kelvara::TBytes(content.begin(), content.begin() + kelvara::PhotoHeadSize),
                    size);
    }

protected:
    std::int64_t Fetch(std::int64_t offset, char* data, std::int64_t length) override {
        const std::int64_t count =
            std::min<std::int64_t>(length, static_cast<std::int64_t>(m_content.size()) - offset);
        if (count <= 0)
            return 0;
        std::memcpy(data, kelvara::CharData(m_content) + offset, static_cast<size_t>(count));
        return count;
    }

private:
    kelvara::TBytes m_content;
};

// The properties, or nullopt for the one failure the step survives.
std::optional<kelvara::TPhotoProperties> Properties(kelvara::TPhotoSource& source) {
    try {
        return kelvara::ReadPhotoProperties(source);
    } catch (const kelvara::TPhotoPropertiesError&) {
        // Unknown or damaged: the step leaves the file alone.
        return std::nullopt;
    }
}

bool Same(const std::optional<kelvara::TPhotoProperties>& a,
          const std::optional<kelvara::TPhotoProperties>& b) {
    if (!a || !b)
        return !a && !b;
    return a->DateTaken == b->DateTaken && a->Dimensions == b->Dimensions &&
           a->CameraModel == b->CameraModel && a->DateSource == b->DateSource &&
           a->ContentIdentifier == b->ContentIdentifier;
}

// The video reader's promises for one input.
void CheckVideo(const kelvara::TBytes& content) {
    kelvara::TMemoryByteSource memory(kelvara::ByteText(content));
    const auto video = kelvara::ReadVideoProperties(memory);
    if (video) {
        Require(video->DateTaken.empty() || IsDateTime(video->DateTaken),
                "a video's date has the form YYYY:MM:DD HH:MM:SS");
        Require(video->DateTaken.empty() == (video->DateSource == kelvara::TDateSource::None),
                "a video's date has a source exactly when there is one");
        Require(video->Dimensions.empty() || IsDimensions(video->Dimensions),
                "a video's size has the form W x H");
    }
    kelvara::TContentSource whole(content);
    const auto wholeAnswer = kelvara::ReadVideoAsPhoto(whole);
    Require(wholeAnswer.has_value() == video.has_value() &&
                (!video || (wholeAnswer->DateTaken == video->DateTaken &&
                            wholeAnswer->Dimensions == video->Dimensions &&
                            wholeAnswer->CameraModel == video->CameraModel)),
            "a video reads the same from memory and through a photo source");
    TPiecewiseSource piecewise(content);
    Require(Same(kelvara::ReadVideoAsPhoto(piecewise), wholeAnswer),
            "read head first, a video has the properties it has read whole");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // As in the program: an application object (the image plugins are found
    // through it) and the metadata library, both for the whole run, and the
    // image plugins' notes about damaged data dropped.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtFatalMsg)
            qFatal("%s", qPrintable(message));
    });
    static QCoreApplication application(*argc, *argv);
    static kelvara::TPhotoMetadataLibrary library;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const kelvara::TBytes content(reinterpret_cast<const std::byte*>(data),
                                  reinterpret_cast<const std::byte*>(data) + size);
    // The step asks the image test first, but a file that fails it is only a
    // file it leaves alone: the metadata reader must survive every input too.
    const bool image = kelvara::IsImageContent(content);
    Require(!image || size > 0, "empty content is no image");
    // The step asks the image test first, but a file that fails it is only a
    // file it leaves alone: the metadata reader must survive every input too.
    kelvara::TContentSource whole(content);
    const auto properties = Properties(whole);
    if (properties) {
        Require(properties->DateTaken.empty() || IsDateTime(properties->DateTaken),
                "a shooting date has the form YYYY:MM:DD HH:MM:SS");
        Require(properties->Dimensions.empty() || IsDimensions(properties->Dimensions),
                "a size has the form W x H");
    }

    TPiecewiseSource forType(content);
    Require(kelvara::IsImageContent(forType) == image,
            "read head first, the content is an image exactly when it is read whole");
    TPiecewiseSource forProperties(content);
    Require(Same(Properties(forProperties), properties),
            "read head first, the content has the properties it has read whole");

    CheckVideo(content);
    return 0;
}
