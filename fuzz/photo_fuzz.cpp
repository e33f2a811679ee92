// Photos anyone may have made: any bytes, through the path the rename step
// takes once it has read a file whole: the image test, then the metadata.
// The step survives only TPhotoPropertiesError from the metadata reader, so
// any other exception that escapes here would end the program: libFuzzer
// reports it as a crash. What is read must have the promised forms.

#include "FuzzCheck.h"
#include "photo/GPImage.h"
#include "photo/PhotoMetadataLibrary.h"
#include "photo/PhotoProperties.h"

#include <QByteArray>
#include <QCoreApplication>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

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
    const QByteArray content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // The step asks the image test first, but a file that fails it is only a
    // file it leaves alone: the metadata reader must survive every input too.
    const bool image = kelvara::IsImageContent(content);
    Require(!image || size > 0, "empty content is no image");
    try {
        const kelvara::TPhotoProperties properties = kelvara::ReadPhotoProperties(content);
        Require(properties.DateTaken.empty() || IsDateTime(properties.DateTaken),
                "a shooting date has the form YYYY:MM:DD HH:MM:SS");
        Require(properties.Dimensions.empty() || IsDimensions(properties.Dimensions),
                "a size has the form W x H");
    } catch (const kelvara::TPhotoPropertiesError&) {
        // Unknown or damaged: the step leaves the file alone.
    }
    return 0;
}
