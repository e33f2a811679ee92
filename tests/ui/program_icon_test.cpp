// SPDX-License-Identifier: GPL-3.0-or-later
// The program's icon as its windows carry it: drawn at every size the
// desktops ask for, the window icon of both windows, and the picture the
// information window's AppIcon shows.

#include "app/MainForm.h"
#include "info/InfoForm.h"
#include "photo/PhotoMetadataLibrary.h"
#include "search/FindFileThread.h"
#include "support/QtApp.h"
#include "support/TempDir.h"
#include "ui/ProgramIcon.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <gtest/gtest.h>

using namespace kelvara;
using namespace kelvara::test;

namespace {

// Opaque pixels of each colour the drawing is made of: the print's sky,
// hills and sun, and the calendar leaf's red band.
bool looksLikeTheIcon(const QImage& image) {
    const int n = image.width();
    const auto opaque = [&](double x, double y) {
        return qAlpha(image.pixel(int(x * n), int(y * n))) == 255;
    };
    const auto colour = [&](double x, double y) {
        return QColor(image.pixel(int(x * n), int(y * n)));
    };
    const QColor sky = colour(0.55, 0.45);
    const QColor hills = colour(0.60, 0.80);
    const QColor band = colour(0.25, 0.12);
    return opaque(0.55, 0.45) && opaque(0.60, 0.80) && opaque(0.25, 0.12) &&
           // A corner of the canvas stays clear.
           qAlpha(image.pixel(n - 1, 0)) == 0 && sky.blue() > sky.red() + 60 &&
           hills.green() > hills.red() + 60 && band.red() > band.green() + 100;
}

} // namespace

TEST(ProgramIcon, EverySizeIsDrawnNotScaled) {
    const QIcon icon = ProgramIcon();
    ASSERT_FALSE(icon.isNull());
    QList<QSize> sizes = icon.availableSizes();
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
        const QImage image = icon.pixmap(QSize(size, size)).toImage();
        EXPECT_EQ(image.size(), QSize(size, size));
        EXPECT_TRUE(looksLikeTheIcon(image)) << size;
    }
}

TEST(ProgramIcon, BothWindowsCarryItAndAppIconShowsIt) {
    TInfoForm info(nullptr, QStringLiteral(KELVARA_EXE));
    EXPECT_FALSE(info.windowIcon().isNull());
    EXPECT_EQ(info.windowIcon().availableSizes(), ProgramIcon().availableSizes());
    const auto* appIcon = info.findChild<QLabel*>("AppIcon");
    ASSERT_NE(appIcon, nullptr);
    const QImage shown = appIcon->pixmap().toImage();
    EXPECT_EQ(shown.size(), QSize(32, 32));
    EXPECT_EQ(shown.convertToFormat(QImage::Format_ARGB32),
              ProgramIcon().pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32));

    TPhotoMetadataLibrary library;
    TFindFileUnit unit;
    TempDir temp;
    TMainForm main({temp.file("Kelvara")}, QString::fromStdString(temp.file("Kelvara.ini")));
    EXPECT_EQ(main.windowIcon().availableSizes(), ProgramIcon().availableSizes());
}
