// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Translation.h"
#include "desktop/ShellOpener.h"
#include "desktop/Shortcut.h"
#include "info/ClickLabel.h"
#include "info/InfoForm.h"
#include "platform/OSVersion.h"
#include "support/MessageBoxAnswerer.h"
#include "support/QStringPrint.h"
#include "support/QtApp.h"
#include "support/XdgHome.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QGlyphRun>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRawFont>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTextLayout>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>
#include <utility>
#include <vector>

using namespace kelvara;

namespace {

const QString Exe = QStringLiteral(KELVARA_EXE);

QLabel* Label(const QWidget& form, const char* name) {
    auto* label = form.findChild<QLabel*>(QString::fromLatin1(name));
    if (label == nullptr)
        ADD_FAILURE() << "no label " << name;
    return label;
}

QString Text(const QWidget& form, const char* name) {
    const QLabel* label = Label(form, name);
    return label != nullptr ? label->text() : QString();
}

QColor TextColour(QLabel* label) {
    label->ensurePolished();
    return label->palette().color(QPalette::WindowText);
}

// The panel fills the window but for the frame, and every label with a text
// lies inside the panel's margin, as wide as its text.
void ExpectFramedAndUncut(const QWidget& form) {
    auto* panel = form.findChild<QWidget*>("PnlBack");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->geometry(), QRect(8, 8, form.width() - 16, form.height() - 16));
    const QRect inside = panel->rect().adjusted(10, 10, -10, -10);
    for (QLabel* label : panel->findChildren<QLabel*>()) {
        if (label->text().isEmpty())
            continue;
        EXPECT_TRUE(inside.contains(label->geometry())) << label->objectName().toStdString();
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()))
            << label->objectName().toStdString();
    }
}

} // namespace

TEST(InfoFormDesign, ComponentsInCreationOrder) {
    TInfoForm form(nullptr, Exe);
    EXPECT_EQ(form.objectName(), "InfoForm");
    const QStringList expected = {"AppIcon",
                                  "LblExeName",
                                  "LblEnvironment",
                                  "LblOsVersion",
                                  "LblPhys",
                                  "LblExeVersion",
                                  "lblURL",
                                  "lblMail",
                                  "LblLaunchOnStartup",
                                  "LblOpenStartup",
                                  "LblLaunchOnDesktop",
                                  "LblOpenFolderIn",
                                  "LblLaunchOnSendTo",
                                  "LblOpenSendTo",
                                  "Label1",
                                  "LblFileDescription",
                                  "Label2",
                                  "Label3",
                                  "LblPageFile",
                                  "LblVirtual",
                                  "LblWorkingSetSize",
                                  "LblPageFaultCount",
                                  "LblPagefileUsage",
                                  "LblPagedPoolUsage",
                                  "LblNonPagedPoolUsage",
                                  "LblProcessTime",
                                  "LblThanks"};
    auto* panel = form.findChild<QWidget*>("PnlBack");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->parent(), &form);
    QStringList names;
    for (const QObject* child : panel->children())
        names << child->objectName();
    EXPECT_EQ(names, expected);
    auto* timer = form.findChild<QTimer*>("Timer1");
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 500);
    EXPECT_TRUE(timer->isActive()) << "enabled from creation";

    // A fixed border with the close box only.
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
}

TEST(InfoFormDesign, CaptionsFontsColoursAndLinkLook) {
    TInfoForm form(nullptr, Exe);
    EXPECT_EQ(Text(form, "Label2"), "System Information");
    EXPECT_EQ(Text(form, "Label3"), "Process Information");
    EXPECT_EQ(Text(form, "LblOpenFolderIn"), "Open Folder This Program Installed");
    EXPECT_EQ(Text(form, "LblLaunchOnDesktop"), "Create Shortcut on \"Desktop\"");
    EXPECT_EQ(Text(form, "LblLaunchOnStartup"), "Create Shortcut into \"Startup\"");
    EXPECT_EQ(Text(form, "LblLaunchOnSendTo"), "Create Shortcut into \"SendTo\"");
    EXPECT_EQ(Text(form, "LblOpenStartup"), "(Open)");
    EXPECT_EQ(Text(form, "LblOpenSendTo"), "(Open)");
    EXPECT_TRUE(Label(form, "Label1")->property("Hint").isValid());

    // The fonts are really there, not stand-ins picked by the font matcher.
    QLabel* phys = Label(form, "LblPhys");
    phys->ensurePolished();
    EXPECT_EQ(QFontInfo(phys->font()).family(), "Liberation Sans");
    EXPECT_EQ(phys->font().pixelSize(), 13);
    QLabel* exeName = Label(form, "LblExeName");
    exeName->ensurePolished();
    EXPECT_EQ(exeName->font().pixelSize(), 27);
    EXPECT_FALSE(exeName->font().underline());
    EXPECT_EQ(exeName->cursor().shape(), Qt::PointingHandCursor);
    QLabel* description = Label(form, "LblFileDescription");
    description->ensurePolished();
    EXPECT_EQ(QFontInfo(description->font()).family(), "DejaVu Sans");
    EXPECT_EQ(description->font().pixelSize(), 12);
    QLabel* heading = Label(form, "Label2");
    heading->ensurePolished();
    EXPECT_TRUE(heading->font().bold());

    const QColor navy(0, 0, 128), maroon(128, 0, 0), teal(0, 128, 128), green(0, 128, 0);
    for (const char* link : {"lblURL", "Label1", "lblMail"})
        EXPECT_EQ(TextColour(Label(form, link)), navy) << link;
    for (const char* link :
         {"LblOpenFolderIn", "LblLaunchOnDesktop", "LblLaunchOnStartup", "LblOpenStartup",
          "LblLaunchOnSendTo", "LblOpenSendTo", "lblURL", "Label1", "lblMail"}) {
        QLabel* label = Label(form, link);
        label->ensurePolished();
        EXPECT_TRUE(label->font().underline()) << link;
        EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor) << link;
        EXPECT_NE(qobject_cast<TClickLabel*>(label), nullptr) << link;
    }
    for (const char* name : {"LblOpenFolderIn", "LblLaunchOnDesktop", "LblOpenSendTo"})
        EXPECT_EQ(TextColour(Label(form, name)), maroon) << name;
    for (const char* name : {"Label2", "LblOsVersion", "LblPhys", "LblPageFile", "LblVirtual"})
        EXPECT_EQ(TextColour(Label(form, name)), teal) << name;
    for (const char* name :
         {"Label3", "LblWorkingSetSize", "LblNonPagedPoolUsage", "LblProcessTime"})
        EXPECT_EQ(TextColour(Label(form, name)), green) << name;
}

TEST(InfoFormTexts, VersionStringsOfTheRealExecutable) {
    // The description as written, whatever language this machine speaks.
    const TTranslation japanese({"ja-JP", "ja-Jpan-JP", "ja"});
    TInfoForm form(nullptr, Exe);
    EXPECT_EQ(form.windowTitle(), "Kelvara Ver.0.8.4.24 - InfoForm");
    EXPECT_EQ(Text(form, "LblFileDescription"), "写真の撮影日をファイル名の先頭につけるツール");
    EXPECT_EQ(Text(form, "LblExeName"), "Kelvara");
    EXPECT_EQ(Text(form, "LblExeVersion"), "Ver.0.8.4.24");
    EXPECT_TRUE(Text(form, "LblEnvironment").contains("Qt 6"));
    EXPECT_EQ(Text(form, "LblThanks"), "") << "the block's Thanks is empty";
    EXPECT_EQ(Text(form, "LblOsVersion"),
              OsVersionLine(QString::fromStdString(GetOSVersionText())));
    EXPECT_FALSE(Text(form, "LblOsVersion").isEmpty());
    // The statistics are filled before the window is first shown.
    EXPECT_TRUE(Text(form, "LblPhys").startsWith("Free Physical Memory:"));
    EXPECT_TRUE(Text(form, "LblProcessTime").startsWith("Kernel:"));
}

TEST(InfoFormTexts, AnExecutableWithoutVersionBlock) {
    // This test program carries no version block: its strings read empty.
    const QString self = QCoreApplication::applicationFilePath();
    TInfoForm form(nullptr, self);
    EXPECT_EQ(form.windowTitle(), "info_form_test Ver. - InfoForm");
    EXPECT_EQ(Text(form, "LblExeVersion"), "Ver.");
    EXPECT_EQ(Text(form, "LblFileDescription"), "");
    EXPECT_EQ(Text(form, "LblEnvironment"), "");
    EXPECT_EQ(Text(form, "LblExeName"), "info_form_test");
}

TEST(InfoFormTexts, OsLineDropsTheFirstMicrosoftOnly) {
    EXPECT_EQ(OsVersionLine("Microsoft Windows XP Professional Service Pack 2 (Build 2600)"),
              "Windows XP Professional Service Pack 2 (Build 2600)");
    EXPECT_EQ(OsVersionLine("Microsoft Windows"), "Windows");
    EXPECT_EQ(OsVersionLine("Debian GNU/Linux 12 (bookworm)"), "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(OsVersionLine("A Microsoft Microsoft X"), "A Microsoft X");
    EXPECT_EQ(OsVersionLine("microsoft Windows"), "microsoft Windows");
}

TEST(InfoFormKeys, AnyKeyClosesWhicheverControlHasTheFocus) {
    for (const Qt::Key key :
         {Qt::Key_Shift, Qt::Key_Control, Qt::Key_Escape, Qt::Key_Return, Qt::Key_A}) {
        TInfoForm form(nullptr, Exe);
        // A control that takes keys for itself must not keep one back.
        auto* edit = new QLineEdit(form.findChild<QWidget*>("PnlBack"));
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        edit->setFocus();
        QTest::keyClick(edit, key);
        EXPECT_FALSE(form.isVisible()) << "key " << key;
        EXPECT_EQ(edit->text(), "");
    }
    // On a label, and on the window itself with nothing focused.
    for (const char* target : {"LblPhys", ""}) {
        TInfoForm form(nullptr, Exe);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        QWidget* receiver = *target ? static_cast<QWidget*>(Label(form, target)) : &form;
        QTest::keyClick(receiver, Qt::Key_B, Qt::ShiftModifier);
        EXPECT_FALSE(form.isVisible()) << target;
    }
}

TEST(InfoFormKeys, ShowInfoFormIsModalAndDestroysTheWindow) {
    for (int opening = 0; opening < 2; ++opening) {
        QPointer<QWidget> seen;
        QTimer::singleShot(50, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr) {
                ADD_FAILURE() << "no modal window";
                return;
            }
            seen = modal;
            EXPECT_EQ(modal->objectName(), "InfoForm");
            EXPECT_TRUE(modal->isModal());
            // Starts each time with fresh statistics.
            EXPECT_TRUE(Text(*modal, "LblPhys").startsWith("Free Physical Memory:"));
            QTest::keyClick(Label(*modal, "LblProcessTime"), Qt::Key_Space);
        });
        // Should the key not close it, the test goes on after a while.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        guard.start(5000);
        QElapsedTimer clock;
        clock.start();
        ShowInfoForm();
        EXPECT_LT(clock.elapsed(), 4000) << "closed by the key";
        EXPECT_TRUE(seen.isNull()) << "the window is destroyed when it closes";
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}

TEST(InfoFormPlacement, CentredInTheWorkAreaFromItsOwnCorner) {
    EXPECT_EQ(CenteredPosition(QRect(0, 0, 1024, 738), QSize(365, 470)), QPoint(329, 134));
    // A panel along the left edge: the work area runs from 60 to 1024.
    EXPECT_EQ(CenteredPosition(QRect(60, 0, 964, 738), QSize(365, 470)), QPoint(359, 134));
    // A panel along the top edge.
    EXPECT_EQ(CenteredPosition(QRect(0, 40, 1024, 738), QSize(365, 470)), QPoint(329, 174));
    // Halves round toward zero, also below zero.
    EXPECT_EQ(CenteredPosition(QRect(0, 0, 800, 600), QSize(805, 600)), QPoint(-2, 0));
    // A second screen to the right.
    EXPECT_EQ(CenteredPosition(QRect(1280, 0, 1920, 1050), QSize(400, 450)), QPoint(2040, 300));

    TInfoForm form(nullptr, Exe);
    const QRect work = form.screen()->availableGeometry();
    const QRect placed(form.pos(), form.size());
    EXPECT_LE(std::abs(placed.center().x() - work.center().x()), 1);
    EXPECT_LE(std::abs(placed.center().y() - work.center().y()), 1);
}

TEST(InfoFormTexts, EveryOtherLanguageReadsTheDescriptionInEnglishAndTheRestAsDesigned) {
    for (const QStringList& uiLanguages :
         {QStringList{"en-US", "en-Latn-US", "en"}, QStringList{"de-DE", "de-Latn-DE", "de"}}) {
        SCOPED_TRACE(uiLanguages.front().toStdString());
        const TTranslation translation(uiLanguages);
        TInfoForm form(nullptr, Exe);
        EXPECT_EQ(form.windowTitle(), "Kelvara Ver.0.8.4.24 - InfoForm");
        EXPECT_EQ(Text(form, "LblFileDescription"),
                  "Puts the date taken at the front of each photo's file name");
        EXPECT_EQ(Text(form, "LblExeVersion"), "Ver.0.8.4.24");
        EXPECT_EQ(Text(form, "LblOpenFolderIn"), "Open Folder This Program Installed");
        EXPECT_EQ(Text(form, "LblLaunchOnSendTo"), "Create Shortcut into \"SendTo\"");
        EXPECT_EQ(Text(form, "Label3"), "Process Information");
        EXPECT_TRUE(Text(form, "LblPagedPoolUsage").startsWith("Paged Pool Usage:"));
        form.move(300, 200);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        ExpectFramedAndUncut(form);
    }
}

TEST(InfoFormLook, BlackFrameRoundTheWhitePanelAndNothingCutOff) {
    const TTranslation japanese({"ja-JP", "ja-Jpan-JP", "ja"});
    TInfoForm form(nullptr, Exe);
    // Away from the screen's corner, where painting at the window's screen
    // position would miss it.
    form.move(300, 200);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_TRUE(form.testAttribute(Qt::WA_OpaquePaintEvent));
    const QImage image = form.grab().toImage();
    if (const QByteArray png = qgetenv("KELVARA_INFOFORM_PNG"); !png.isEmpty())
        image.save(QString::fromLocal8Bit(png));
    const int w = image.width(), h = image.height();
    for (const QPoint p : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1),
                           QPoint(4, h / 2), QPoint(w / 2, 7)})
        EXPECT_EQ(image.pixelColor(p), QColor(Qt::black)) << p.x() << "," << p.y();
    EXPECT_EQ(image.pixelColor(9, 9), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(w - 10, h - 10), QColor(Qt::white));

    ExpectFramedAndUncut(form);

    // The Japanese description is drawn, not boxes: every glyph is found,
    // the Japanese ones in the gothic font.
    QLabel* description = Label(form, "LblFileDescription");
    QTextLayout layout(description->text(), description->font());
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const auto runs = layout.glyphRuns();
    ASSERT_FALSE(runs.isEmpty());
    for (const QGlyphRun& run : runs) {
        EXPECT_TRUE(run.rawFont().familyName().startsWith("IPA"))
            << run.rawFont().familyName().toStdString();
        for (const quint32 glyph : run.glyphIndexes())
            EXPECT_NE(glyph, 0u) << "a missing glyph";
    }
}

// Measured tick by tick: each tick refreshes, the next one is set once the
// refresh is done, for 500 ms, and ticks never come closer than that.
TEST(InfoFormTimer, RefreshesAndTicksAgainHalfASecondAfterTheRefresh) {
    TInfoForm form(nullptr, Exe);
    auto* timer = form.findChild<QTimer*>("Timer1");
    ASSERT_NE(timer, nullptr);
    QLabel* phys = Label(form, "LblPhys");
    phys->setText("stale");
    // Connected after the form's own handler, so this runs after the refresh.
    std::vector<qint64> ticks;
    std::vector<int> remaining;
    std::vector<bool> refreshed;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(timer, &QTimer::timeout, &form, [&] {
        ticks.push_back(clock.elapsed());
        remaining.push_back(timer->remainingTime());
        refreshed.push_back(phys->text().startsWith("Free Physical Memory:"));
        phys->setText("stale"); // the next tick must refresh it again
    });
    QSignalSpy spy(timer, &QTimer::timeout);
    while (spy.size() < 4)
        ASSERT_TRUE(spy.wait(10000)) << "tick " << spy.size() + 1 << " never came";
    ASSERT_EQ(ticks.size(), 4u);
    for (const bool done : refreshed)
        EXPECT_TRUE(done);
    for (const int left : remaining) {
        EXPECT_GT(left, 450) << "the next tick is set after the refresh, for 500 ms";
        EXPECT_LE(left, 500);
    }
    for (std::size_t i = 1; i < ticks.size(); ++i)
        EXPECT_GE(ticks[i] - ticks[i - 1], 499);
}

namespace {

// Records which handler each click reaches, with which sender.
class TRecordingInfoForm : public TInfoForm {
public:
    TRecordingInfoForm() : TInfoForm(nullptr, Exe) {}
    std::vector<std::pair<QString, QString>> calls;

    void lblURLClick(QObject* s) override { Record("lblURLClick", s); }
    void lblMailClick(QObject* s) override { Record("lblMailClick", s); }
    void LblExeNameClick(QObject* s) override { Record("LblExeNameClick", s); }
    void LblLaunchOnStartupClick(QObject* s) override { Record("LblLaunchOnStartupClick", s); }
    void LblOpenStartupClick(QObject* s) override { Record("LblOpenStartupClick", s); }
    void Label1Click(QObject* s) override { Record("Label1Click", s); }

private:
    void Record(const char* handler, QObject* sender) {
        calls.emplace_back(handler, sender->objectName());
    }
};

} // namespace

TEST(InfoFormLinks, OnlyALeftButtonLetGoOnTheLinkClicksIt) {
    TRecordingInfoForm form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    // Pressed on a link and let go outside it: no click. Labels that are not
    // links do not react at all.
    QLabel* link = Label(form, "LblOpenStartup");
    QTest::mousePress(link, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(-50, 5));
    QTest::mouseClick(link, Qt::RightButton, {}, QPoint(5, 5));
    QTest::mouseClick(Label(form, "LblPhys"), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(form.calls.empty());
    EXPECT_TRUE(form.isVisible()) << "a click is no key";

    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(form.calls, (std::vector<std::pair<QString, QString>>{
                              {"LblOpenStartupClick", "LblOpenStartup"}}));
}

namespace {

// An opener deep below the links that throws what nobody expects.
class ThrowingOpener : public IShellOpener {
public:
    int asked = 0;
    bool OpenUrl(const QUrl&) override {
        ++asked;
        throw std::out_of_range("no handler table");
    }
    bool ShowItemProperties(const QString&) override {
        ++asked;
        throw 7;
    }
};

void ClickLink(const QWidget& form, const char* name) {
    QLabel* link = Label(form, name);
    ASSERT_NE(link, nullptr);
    link->resize(std::max(link->width(), 20), std::max(link->height(), 10));
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(5, 5));
}

} // namespace

TEST(InfoFormLinks, AnythingThrownBelowALinkStopsThereWithoutABox) {
    const kelvara::test::XdgHome home;
    ThrowingOpener opener;
    const TShellOpenerOverride useIt(opener);
    kelvara::test::MessageBoxAnswerer answerer;
    TInfoForm form(nullptr, Exe);
    // Addresses to open, whatever the maker's texts are.
    Label(form, "lblURL")->setText("https://example.org/");
    Label(form, "Label1")->setProperty("Hint", "https://example.org/search?q=maker");
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const char* links[] = {"lblURL",         "lblMail",         "Label1",       "LblExeName",
                           "LblOpenStartup", "LblOpenFolderIn", "LblOpenSendTo"};
    for (const char* link : links)
        ClickLink(form, link);
    EXPECT_EQ(opener.asked, static_cast<int>(std::size(links)));
    EXPECT_TRUE(answerer.boxes.empty()) << "an opener's failure is nobody's business";
    EXPECT_TRUE(form.isVisible());
}

TEST(InfoFormLinks, AShortcutThatCannotBeMadeIsToldInTheApplicationsErrorBox) {
    // No Startup folder can be made where a file stands in its place.
    const kelvara::test::XdgHome home;
    std::filesystem::create_directories(home.configHome());
    kelvara::test::writeFile(home.configHome() / "autostart", "");
    kelvara::test::MessageBoxAnswerer answerer;
    TInfoForm form(nullptr, Exe);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ClickLink(form, "LblLaunchOnStartup");
    ASSERT_EQ(answerer.boxes.size(), 1u);
    const auto& box = answerer.boxes.front();
    // The same form as the state file's box: the application title, the
    // message with its full stop.
    EXPECT_EQ(box.title, "Kelvara");
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_TRUE(box.text.startsWith("ショートカット ")) << box.text.toStdString();
    EXPECT_TRUE(box.text.contains(" を作成できません: ")) << box.text.toStdString();
    EXPECT_TRUE(box.text.endsWith('.')) << box.text.toStdString();
    EXPECT_FALSE(box.text.endsWith("..")) << box.text.toStdString();
    EXPECT_TRUE(form.isVisible()) << "the window stays open";
}

TEST(InfoFormLinks, AShortcutFailureOfAnyKindIsToldAsAShortcutNotMade) {
    const TShortcutError refused(std::make_error_code(std::errc::permission_denied),
                                 {"/home/u/.config/autostart/Kelvara.desktop"});
    EXPECT_EQ(ShortcutFailureMessage(std::make_exception_ptr(refused)), refused.Message());
    EXPECT_EQ(ShortcutFailureMessage(std::make_exception_ptr(std::out_of_range("entry table"))),
              "ショートカットを作成できません: entry table");
    EXPECT_EQ(ShortcutFailureMessage(std::make_exception_ptr(42)),
              "ショートカットを作成できません");
}
