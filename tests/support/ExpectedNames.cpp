// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ExpectedNames.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <stdexcept>
#include <string_view>

namespace kelvara::test {

namespace fs = std::filesystem;

namespace {

// exiftool's date value in our form, or empty when it is no real date.
std::string realDate(const QString& value, const QString& time = {}) {
    static const QRegularExpression form(
        R"(^(\d{4}):(\d{2}):(\d{2})(?: (\d{2}):(\d{2}):(\d{2}))?)");
    const auto match = form.match(value.trimmed());
    if (!match.hasMatch())
        return {};
    QString clock;
    if (match.captured(4).isEmpty()) {
        static const QRegularExpression timeForm(R"(^(\d{2}):(\d{2}):(\d{2}))");
        const auto t = timeForm.match(time.trimmed());
        clock = t.hasMatch() ? t.captured(0) : QString("00:00:00");
    } else {
        clock = match.captured(4) + ":" + match.captured(5) + ":" + match.captured(6);
    }
    const int year = match.captured(1).toInt(), month = match.captured(2).toInt(),
              day = match.captured(3).toInt();
    const QStringList hms = clock.split(':');
    if (year == 0 || month < 1 || month > 12 || day < 1 || day > 31 || hms[0].toInt() > 23 ||
        hms[1].toInt() > 59 || hms[2].toInt() > 59)
        return {};
    return QString("%1:%2:%3 %4")
        .arg(match.captured(1), match.captured(2), match.captured(3), clock)
        .toStdString();
}

} // namespace

std::map<std::string, std::string> exiftoolNames(const fs::path& root,
                                                 const std::set<std::string>& renamedTypes) {
    QProcess exiftool;
    exiftool.start("exiftool",
                   {"-j", "-G1", "-r", "-q", "-q", "-ExifIFD:DateTimeOriginal", "-IPTC:DateCreated",
                    "-IPTC:TimeCreated", "-XMP-xmp:CreateDate", "-ExifIFD:CreateDate",
                    "-XMP-exif:DateTimeOriginal", "-IFD0:Model", "-Composite:ImageSize",
                    "-File:FileType", QString::fromStdString(root.string())});
    if (!exiftool.waitForFinished(300000))
        throw std::runtime_error("exiftool did not finish");
    const QJsonArray files = QJsonDocument::fromJson(exiftool.readAllStandardOutput()).array();
    std::map<std::string, std::string> names;
    for (const QJsonValue& value : files) {
        const QJsonObject tags = value.toObject();
        const fs::path path = tags["SourceFile"].toString().toStdString();
        const std::string relative = fs::relative(path, root).string();
        std::string date = realDate(tags["ExifIFD:DateTimeOriginal"].toString());
        if (date.empty())
            date =
                realDate(tags["IPTC:DateCreated"].toString(), tags["IPTC:TimeCreated"].toString());
        for (const char* key :
             {"XMP-xmp:CreateDate", "ExifIFD:CreateDate", "XMP-exif:DateTimeOriginal"})
            if (date.empty())
                date = realDate(tags[key].toString());
        const std::string type = tags["File:FileType"].toString().toStdString();
        if (date.empty() || !renamedTypes.count(type) || relative.find('\n') != std::string::npos) {
            names[relative] = relative;
            continue;
        }
        std::string digits;
        for (char c : date)
            if (c != ':' && c != ' ')
                digits.push_back(c);
        // Blanks and what Windows forbids in a name do not stand in a part.
        const auto namePart = [](std::string text) {
            std::erase_if(text, [](char c) {
                return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F ||
                       std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos;
            });
            return text;
        };
        const std::string model = namePart(tags["IFD0:Model"].toVariant().toString().toStdString());
        const std::string size = namePart(tags["Composite:ImageSize"].toString().toStdString());
        const std::string name =
            digits.substr(0, 12) + "_" + size + "_" + model + "_" + path.filename().string();
        names[relative] = (fs::path(relative).parent_path() / name).string();
    }
    return names;
}

} // namespace kelvara::test
