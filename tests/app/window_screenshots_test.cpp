// SPDX-License-Identifier: GPL-3.0-or-later
// The screenshots in docs/ are the program's own windows, in English and in
// Japanese, as this build draws them. Run with KELVARA_WRITE_SCREENSHOTS=1,
// the test draws them afresh into docs/; otherwise it checks that docs/
// still shows the windows as they are: the main window as drawn now, at its
// size, and the information window's icon where the window shows it. (The
// information window's figures are this machine's and change from run to
// run, and its width follows their length; the rest of its picture is not
// compared.)

#include "app/MainForm.h"
#include "app/Translation.h"
#include "info/InfoForm.h"
#include "photo/PhotoMetadataLibrary.h"
#include "search/FindFileThread.h"
#include "support/QtApp.h"
#include "support/TempDir.h"

#include <QImage>
#include <QLabel>
#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>
#include <set>
#include <string>

using namespace kelvara;
using namespace kelvara::test;

namespace {

struct Language {
    QStringList uiLanguages;
    const char* suffix; // of the file name: "" for English, "-ja" for Japanese
};

const Language English{{"en-US", "en-Latn-US", "en"}, ""};
const Language Japanese{{"ja-JP", "ja-Jpan-JP", "ja"}, "-ja"};

bool Writing() {
    const char* write = std::getenv("KELVARA_WRITE_SCREENSHOTS");
    return write != nullptr && std::string(write) == "1";
}

QString DocsFile(const std::string& name) {
    return QString::fromStdString(std::string(KELVARA_SOURCE_DIR) + "/docs/" + name);
}

// The window's inside as it is drawn once shown, without the frame.
QImage Drawn(QWidget& window) {
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    return window.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// How many pixels of `a` differ from `b` (of the same size) inside `area`.
qsizetype Differing(const QImage& a, const QImage& b, const QRect& area) {
    qsizetype count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

// How many colours the pixels of `image` inside `area` have.
std::size_t Colours(const QImage& image, const QRect& area) {
    std::set<QRgb> colours;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            colours.insert(image.pixel(x, y));
    return colours.size();
}

// Writes `drawn` to docs/`name` when asked to; otherwise gives the picture
// stored there.
QImage StoredOrWritten(const QImage& drawn, const std::string& name) {
    const QString file = DocsFile(name);
    if (Writing()) {
        EXPECT_TRUE(drawn.save(file, "PNG")) << file.toStdString();
        return drawn;
    }
    QImage stored(file);
    EXPECT_FALSE(stored.isNull()) << name << " is missing";
    return stored.convertToFormat(QImage::Format_RGB32);
}

std::string LanguageName(const ::testing::TestParamInfo<Language>& language) {
    return language.index == 0 ? "English" : "Japanese";
}

class WindowScreenshots : public ::testing::TestWithParam<Language> {
protected:
    TPhotoMetadataLibrary library;
    TFindFileUnit unit;
    TempDir temp;
};

} // namespace

TEST_P(WindowScreenshots, TheMainWindowInDocsIsTheOneDrawnNow) {
    const TTranslation translation(GetParam().uiLanguages);
    TMainForm form({temp.file("Kelvara")}, QString::fromStdString(temp.file("Kelvara.ini")));
    const QImage drawn = Drawn(form);
    const std::string name = std::string("mainform") + GetParam().suffix + ".png";
    const QImage stored = StoredOrWritten(drawn, name);
    ASSERT_EQ(stored.size(), drawn.size())
        << name << " is out of date: run this test with KELVARA_WRITE_SCREENSHOTS=1";
    // Text drawn by another font release may move a few pixels; a changed
    // caption or layout moves many more.
    EXPECT_LE(Differing(stored, drawn, drawn.rect()), drawn.width() * drawn.height() / 100)
        << name << " is out of date: run this test with KELVARA_WRITE_SCREENSHOTS=1";
}

TEST_P(WindowScreenshots, TheInformationWindowInDocsShowsTheProgramIcon) {
    const TTranslation translation(GetParam().uiLanguages);
    TInfoForm form(nullptr, QStringLiteral(KELVARA_EXE));
    const QImage drawn = Drawn(form);
    const std::string name = std::string("infoform") + GetParam().suffix + ".png";
    const QImage stored = StoredOrWritten(drawn, name);
    const auto* icon = form.findChild<QLabel*>(QStringLiteral("AppIcon"));
    ASSERT_NE(icon, nullptr);
    const QRect area(icon->mapTo(&form, QPoint(0, 0)), icon->size());
    ASSERT_TRUE(drawn.rect().contains(area));
    ASSERT_TRUE(stored.rect().contains(area))
        << name << " is out of date: run this test with KELVARA_WRITE_SCREENSHOTS=1";
    // The window draws the icon, and the stored picture holds it as drawn.
    EXPECT_GE(Colours(drawn, area), 4u) << "the icon is drawn";
    EXPECT_EQ(Differing(stored, drawn, area), 0)
        << name << " lacks the icon the window shows: run this test with "
        << "KELVARA_WRITE_SCREENSHOTS=1";
}

INSTANTIATE_TEST_SUITE_P(EnglishAndJapanese, WindowScreenshots,
                         ::testing::Values(English, Japanese), LanguageName);
