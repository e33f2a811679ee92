// The real executable on copies of every sample photo: each photo with a
// shooting date gets exactly the name that an independent reader (exiftool)
// gives for its date, size and model; every other file keeps its name; no
// content changes and nothing goes missing.

#include "support/KelvaraProcess.h"
#include "support/TempDir.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <thread>

using namespace kelvara::test;
namespace fs = std::filesystem;

namespace {

// Relative path -> content, for every regular file below `root`.
std::map<std::string, std::string> snapshot(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).string()] = readFile(entry.path());
    return files;
}

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

// The name exiftool's reading gives each file below `root` (relative path ->
// expected relative path) at minute precision, layout date_size_model_old.
std::map<std::string, std::string> expectedNames(const fs::path& root) {
    QProcess exiftool;
    exiftool.start("exiftool",
                   {"-j", "-G1", "-r", "-q", "-q", "-ExifIFD:DateTimeOriginal", "-IPTC:DateCreated",
                    "-IPTC:TimeCreated", "-XMP-xmp:CreateDate", "-ExifIFD:CreateDate",
                    "-XMP-exif:DateTimeOriginal", "-IFD0:Model", "-Composite:ImageSize",
                    "-File:FileType", QString::fromStdString(root.string())});
    EXPECT_TRUE(exiftool.waitForFinished(300000));
    const QJsonArray files = QJsonDocument::fromJson(exiftool.readAllStandardOutput()).array();
    std::map<std::string, std::string> names;
    for (const QJsonValue& value : files) {
        const QJsonObject tags = value.toObject();
        const fs::path path = tags["SourceFile"].toString().toStdString();
        const std::string relative = fs::relative(path, root).string();
        std::string date = realDate(tags["ExifIFD:DateTimeOriginal"].toString());
        if (date.empty())
            date = realDate(tags["IPTC:DateCreated"].toString(),
                            tags["IPTC:TimeCreated"].toString());
        for (const char* key :
             {"XMP-xmp:CreateDate", "ExifIFD:CreateDate", "XMP-exif:DateTimeOriginal"})
            if (date.empty())
                date = realDate(tags[key].toString());
        const QString type = tags["File:FileType"].toString();
        if (date.empty() || (type != "JPEG" && type != "TIFF") ||
            relative.find('\n') != std::string::npos) {
            names[relative] = relative;
            continue;
        }
        std::string digits;
        for (char c : date)
            if (c != ':' && c != ' ')
                digits.push_back(c);
        std::string model = tags["IFD0:Model"].toVariant().toString().toStdString();
        std::erase(model, ' ');
        const std::string size = tags["Composite:ImageSize"].toString().toStdString();
        const std::string name =
            digits.substr(0, 12) + "_" + size + "_" + model + "_" + path.filename().string();
        names[relative] = (fs::path(relative).parent_path() / name).string();
    }
    return names;
}

} // namespace

TEST(KelvaraProgram, RenamesEverySamplePhotoAsAnIndependentReaderNamesIt) {
    if (QStandardPaths::findExecutable("exiftool").isEmpty())
        GTEST_SKIP() << "exiftool is not installed";
    TempDir temp;
    const fs::path root = temp.path() / "photos";
    fs::create_directories(root);
    fs::copy(photosDir() / "jpg", root / "jpg", fs::copy_options::recursive);
    fs::copy(photosDir() / "tiff", root / "tiff", fs::copy_options::recursive);
    // Names that quoting or splitting could break, and one of each kind of
    // file that is no photo.
    copyPhoto("jpg/Canon_40D.jpg", root / "odd", "a name, with \"quotes\".jpg");
    // A control character makes the new name unusable: this one stays.
    copyPhoto("jpg/Canon_40D.jpg", root / "odd", "a\nnewline.jpg");
    copyPhoto("jpg/Nikon_D70.jpg", root / "odd", "写真 ü.jpg");
    writeFile(root / "odd" / "notes.txt", "no photo");
    writeFile(root / "odd" / "empty.jpg", "");
    for (auto& entry : fs::recursive_directory_iterator(root))
        fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add);

    const auto before = snapshot(root);
    const auto expected = expectedNames(root);

    // One folder by a relative path, the other absolute, one file directly.
    KelvaraProcess kelvara(temp.path() / "app");
    kelvara.start({"photos/jpg", QString::fromStdString((root / "tiff").string()),
                   QString::fromStdString((root / "odd").string() + "/写真 ü.jpg"),
                   QString::fromStdString((root / "odd").string())},
                  temp.path());
    const auto allRenamed = [&] {
        for (const auto& [oldName, newName] : expected)
            if (!fs::exists(root / newName))
                return false;
        return true;
    };
    EXPECT_TRUE(waitUntil(allRenamed, 120000));
    EXPECT_EQ(kelvara.terminate(), 0);
    // SIGTERM ends it the normal way: the state is saved.
    EXPECT_TRUE(fs::exists(kelvara.stateFile()));
    const auto after = snapshot(root);

    ASSERT_EQ(after.size(), before.size());
    for (const auto& [oldName, content] : before) {
        if (!expected.count(oldName))
            continue; // no file exiftool reads: must keep its name
        const std::string& newName = expected.at(oldName);
        ASSERT_TRUE(after.count(newName)) << oldName << " should be " << newName;
        EXPECT_EQ(after.at(newName), content) << newName;
    }
    for (const auto& [name, content] : before) {
        if (!expected.count(name)) {
            EXPECT_TRUE(after.count(name)) << name;
        }
    }
    std::size_t renamed = 0;
    for (const auto& [oldName, newName] : expected)
        renamed += oldName != newName;
    EXPECT_GT(renamed, 60u);

    // A second run over the renamed photos changes nothing (give it time to
    // do harm: twice what the first run needed would be plenty).
    kelvara.start({QString::fromStdString(root.string())}, temp.path());
    std::this_thread::sleep_for(std::chrono::seconds(3));
    EXPECT_EQ(kelvara.terminate(), 0);
    EXPECT_EQ(snapshot(root), after);
}
