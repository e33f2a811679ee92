// SPDX-License-Identifier: GPL-3.0-or-later
// The real program under the language settings of real desktops, on a real
// X server: English, German and C desktops see the same English main window,
// a Japanese one sees another, the variables count in the order the system
// gives them (LANGUAGE, LC_ALL, LC_MESSAGES, LANG), and the window keeps its
// caption in every language.

#include "support/KelvaraProcess.h"
#include "support/TempDir.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <memory>

using namespace kelvara::test;

namespace {

const QString MainTitle = QStringLiteral("^Kelvara Ver\\.0\\.8\\.4\\.24 - MainForm$");

// xdotool's answer (its standard output, trimmed); empty when it fails.
QString xdotool(const QStringList& args) {
    QProcess process;
    process.start("xdotool", args);
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The first visible window captioned `name`, once there is one (xdotool
// waits for it); empty when none comes.
QString visibleWindow(const QString& name) {
    return xdotool({"search", "--sync", "--onlyvisible", "--name", name}).section('\n', 0, 0);
}

bool isUniform(const QImage& image) {
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != first)
                return false;
    return true;
}

// Runs the program with only the language variables of `settings`, waits
// for its main window under the caption described, and returns its picture
// once it is painted (two grabs in a row the same, and not blank). The
// program is then ended.
QImage mainWindowUnder(const std::map<QString, QString>& settings) {
    TempDir temp;
    KelvaraProcess kelvara(temp.path() / "app");
    auto& environment = kelvara.environment();
    for (const char* name : {"QT_QPA_PLATFORM", "LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
        environment.remove(name);
    for (const auto& [name, value] : settings)
        environment.insert(name, value);
    // The pointer away from where the window opens: a button under it
    // would be drawn lit.
    xdotool({"mousemove", "0", "0"});
    kelvara.start({}, temp.path());

    if (!kelvara.waitForLog("kelvara.app: main window shown")) {
        ADD_FAILURE() << "the main window was never shown";
        return {};
    }
    const QString main = visibleWindow(MainTitle);
    if (main.isEmpty()) {
        ADD_FAILURE() << "no main window captioned as described";
        return {};
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    QImage previous;
    // Nothing tells when the X server has the window painted: compare grabs
    // until two in a row agree.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QImage now = screen->grabWindow(main.toULongLong()).toImage();
            const bool painted = !now.isNull() && now == previous && !isUniform(now);
            previous = now;
            return painted;
        },
        30000));
    EXPECT_EQ(kelvara.terminate(), 0);
    return previous;
}

} // namespace

TEST(Languages, EveryDesktopButAJapaneseOneSeesTheEnglishWindowUnderTheSameCaption) {
    if (std::getenv("DISPLAY") == nullptr || QStandardPaths::findExecutable("xdotool").isEmpty())
        GTEST_SKIP() << "needs an X display and xdotool";
    static int argc = 1;
    static char name[] = "language_x11_test";
    static char* argv[] = {name, nullptr};
    const auto application = std::make_unique<QGuiApplication>(argc, argv);
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "takes the program's picture from the X server";

    const QImage english = mainWindowUnder({{"LANG", "en_US.UTF-8"}});
    const QImage japanese = mainWindowUnder({{"LANG", "ja_JP.UTF-8"}});
    ASSERT_FALSE(english.isNull());
    ASSERT_FALSE(japanese.isNull());
    EXPECT_NE(english, japanese);
    EXPECT_EQ(mainWindowUnder({{"LANG", "de_DE.UTF-8"}}), english) << "a German desktop";
    EXPECT_EQ(mainWindowUnder({{"LANG", "C"}}), english) << "LANG=C";
    EXPECT_EQ(mainWindowUnder({}), english) << "no language set";
    // The first of LANGUAGE, LC_ALL, LC_MESSAGES and LANG that is set decides.
    EXPECT_EQ(mainWindowUnder({{"LANGUAGE", "ja"}, {"LANG", "de_DE.UTF-8"}}), japanese)
        << "LANGUAGE=ja";
    EXPECT_EQ(mainWindowUnder({{"LC_ALL", "ja_JP.UTF-8"}, {"LANG", "en_US.UTF-8"}}), japanese)
        << "LC_ALL=ja_JP";
    EXPECT_EQ(mainWindowUnder({{"LC_MESSAGES", "en_GB.UTF-8"}, {"LANG", "ja_JP.UTF-8"}}), english)
        << "LC_MESSAGES=en_GB";
}
