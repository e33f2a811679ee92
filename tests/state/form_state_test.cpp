// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/FormState.h"
#include "state/FrameGeometry.h"
#include "state/IniFile.h"
#include "support/QStringPrint.h"
#include "support/QtApp.h"
#include "support/TempDir.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <sstream>
#include <sys/stat.h>

using namespace kelvara;
using kelvara::test::readFile;
using kelvara::test::TempDir;
using kelvara::test::writeFile;

namespace {

template <class T> T* Make(QWidget* parent, const char* name, QLayout* layout = nullptr) {
    auto* widget = new T(parent);
    widget->setObjectName(QString::fromLatin1(name));
    if (layout != nullptr)
        layout->addWidget(widget);
    return widget;
}

// A form laid out like the main window: three panels in layouts, labels,
// two radio groups and a button, created in design order.
struct MainLikeForm {
    std::unique_ptr<QWidget> form = std::make_unique<QWidget>();
    QRadioButton* rdoYMD;
    QRadioButton* rdoYMDHN;
    QRadioButton* rdoYMDHNS;
    QRadioButton* rdoDMF;
    QRadioButton* rdoDSF;
    QRadioButton* rdoDSMF;
    QRadioButton* rdoDF;

    MainLikeForm() {
        QWidget* f = form.get();
        f->setObjectName("MainForm");
        auto* outer = new QVBoxLayout(f);
        outer->setObjectName("verticalLayout");
        auto* panel1 = Make<QFrame>(f, "Panel1", outer);
        auto* l1 = new QVBoxLayout(panel1);
        Make<QLabel>(panel1, "Label2", l1);
        Make<QLabel>(panel1, "Label3", l1);
        Make<QLabel>(panel1, "Label4", l1);
        rdoYMD = Make<QRadioButton>(panel1, "RdoYMD", l1);
        rdoYMDHN = Make<QRadioButton>(panel1, "RdoYMDHN", l1);
        rdoYMDHNS = Make<QRadioButton>(panel1, "RdoYMDHNS", l1);
        auto* panel2 = Make<QFrame>(f, "Panel2", outer);
        auto* l2 = new QVBoxLayout(panel2);
        Make<QLabel>(panel2, "LblDateModelFile", l2);
        Make<QLabel>(panel2, "LblDateSizeFile", l2);
        Make<QLabel>(panel2, "LblDateSizeModelFile", l2);
        Make<QLabel>(panel2, "LblDateFile", l2);
        rdoDMF = Make<QRadioButton>(panel2, "RdoDMF", l2);
        rdoDSF = Make<QRadioButton>(panel2, "RdoDSF", l2);
        rdoDSMF = Make<QRadioButton>(panel2, "RdoDSMF", l2);
        rdoDF = Make<QRadioButton>(panel2, "RdoDF", l2);
        auto* panel3 = Make<QFrame>(f, "Panel3", outer);
        auto* l3 = new QHBoxLayout(panel3);
        Make<QLabel>(panel3, "Label1", l3);
        Make<QPushButton>(panel3, "Button1", l3);
        rdoYMDHN->setChecked(true);
        rdoDSMF->setChecked(true);
        f->setGeometry(100, 120, 400, 300);
    }
};

// The file's lines without the blank ones, which the writer puts between
// sections for readability.
std::vector<std::string> Lines(const std::string& path) {
    std::istringstream in(readFile(path));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

std::vector<std::string> Names(const std::vector<QObject*>& objects) {
    std::vector<std::string> names;
    for (const QObject* object : objects)
        names.push_back(object->objectName().toStdString());
    return names;
}

struct FileStamp {
    std::string bytes;
    timespec modified{};
    std::vector<std::string> folder;
};

FileStamp Stamp(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return {readFile(path), info.st_mtim,
            kelvara::test::fileNames(std::filesystem::path(path).parent_path())};
}

} // namespace

TEST(FormState, FirstSaveWritesTheFormThenEachComponentInDesignOrder) {
    TempDir dir;
    MainLikeForm main;
    const std::string file = dir.file("Kelvara.ini");
    SaveFormState(QString::fromStdString(file), main.form.get());

    std::vector<std::string> expected = {"[MainForm.MainForm]", "Top=120", "Left=100", "Width=400",
                                         "Height=300"};
    const std::vector<std::pair<const char*, const char*>> components = {
        {"Panel1", nullptr},
        {"Label2", nullptr},
        {"Label3", nullptr},
        {"Label4", nullptr},
        {"RdoYMD", "0"},
        {"RdoYMDHN", "1"},
        {"RdoYMDHNS", "0"},
        {"Panel2", nullptr},
        {"LblDateModelFile", nullptr},
        {"LblDateSizeFile", nullptr},
        {"LblDateSizeModelFile", nullptr},
        {"LblDateFile", nullptr},
        {"RdoDMF", "0"},
        {"RdoDSF", "0"},
        {"RdoDSMF", "1"},
        {"RdoDF", "0"},
        {"Panel3", nullptr},
        {"Label1", nullptr},
        {"Button1", nullptr}};
    for (const auto& [name, checked] : components) {
        expected.push_back(std::string("[MainForm.") + name + "]");
        expected.push_back("Tag=0");
        expected.push_back("Enabled=1");
        if (checked != nullptr)
            expected.push_back(std::string("Checked=") + checked);
    }
    EXPECT_EQ(Lines(file), expected);
}

TEST(FormState, NoFileLeavesTheFormAsDesignedAndWritesNothing) {
    TempDir dir;
    MainLikeForm main;
    const QRect before = main.form->frameGeometry();
    LoadFormState(QString::fromStdString(dir.file("missing.ini")), main.form.get());
    EXPECT_EQ(main.form->frameGeometry(), before);
    // Shown, it matches a twin that never saw LoadFormState: the designed
    // size is the inside, and the frame comes on top of it.
    MainLikeForm twin;
    main.form->show();
    twin.form->show();
    EXPECT_EQ(main.form->geometry().size(), twin.form->geometry().size());
    EXPECT_TRUE(main.rdoYMDHN->isChecked());
    EXPECT_TRUE(main.rdoDSMF->isChecked());
    EXPECT_FALSE(main.rdoYMD->isChecked());
    EXPECT_TRUE(kelvara::test::fileNames(dir.path()).empty());
}

TEST(FormState, ASavedFormComesBackAsItWas) {
    TempDir dir;
    const QString file = QString::fromStdString(dir.file("state.ini"));
    QRect savedFrame;
    {
        MainLikeForm main;
        main.form->show();
        main.form->setGeometry(150, 90, 520, 410);
        savedFrame = main.form->frameGeometry();
        main.rdoYMDHNS->click();
        main.rdoDF->click();
        main.form->findChild<QFrame*>("Panel3")->setEnabled(false);
        main.form->findChild<QLabel*>("Label1")->setProperty(TagProperty, -8);
        SaveFormState(file, main.form.get());
    }
    MainLikeForm fresh;
    QSignalSpy clicked(fresh.rdoYMDHNS, &QAbstractButton::clicked);
    LoadFormState(file, fresh.form.get());
    fresh.form->show();
    // The frame only exists once shown (offscreen gives it 2 pixels a side);
    // the outer size read before that must still come back.
    ASSERT_GT(fresh.form->frameGeometry().width(), fresh.form->width());
    EXPECT_EQ(fresh.form->frameGeometry(), savedFrame);
    EXPECT_TRUE(fresh.rdoYMDHNS->isChecked());
    EXPECT_FALSE(fresh.rdoYMDHN->isChecked()) << "switching a button on turns its siblings off";
    EXPECT_TRUE(fresh.rdoDF->isChecked());
    EXPECT_FALSE(fresh.rdoDSMF->isChecked());
    EXPECT_EQ(clicked.count(), 1) << "the click action runs as for a user's click";
    EXPECT_FALSE(fresh.form->findChild<QFrame*>("Panel3")->isEnabled());
    EXPECT_EQ(fresh.form->findChild<QLabel*>("Label1")->property(TagProperty).toInt(), -8);
    // Inside the disabled panel, the button's own flag stayed on: enabling
    // the panel again brings it back.
    fresh.form->findChild<QFrame*>("Panel3")->setEnabled(true);
    EXPECT_TRUE(fresh.form->findChild<QPushButton*>("Button1")->isEnabled());
}

TEST(FormState, HandEditedValuesAreReadByTheIntegerRules) {
    TempDir dir;
    const std::string file = dir.file("edited.ini");
    MainLikeForm main;
    main.form->move(40, 50);
    writeFile(file, "[MainForm.MainForm]\nTop=0x20\nLeft=15px\nWidth= 333\nHeight=abc\n"
                    "[MainForm.RdoYMD]\nChecked=2\n"
                    "[MainForm.RdoDMF]\nChecked=\n"
                    "[MainForm.Label2]\nTag=$FFFFFFFF\nEnabled=-1\n"
                    "[MainForm.Label3]\nEnabled=0x0\n"
                    "[MainForm.Label4]\nEnabled=yes\n");
    const int heightBefore = main.form->frameGeometry().height();
    QSignalSpy clicked(main.rdoYMD, &QAbstractButton::clicked);
    LoadFormState(QString::fromStdString(file), main.form.get());

    EXPECT_EQ(main.form->frameGeometry().top(), 32);
    EXPECT_EQ(main.form->frameGeometry().left(), 40) << "15px keeps the left";
    EXPECT_EQ(main.form->frameGeometry().width(), 333);
    EXPECT_EQ(main.form->frameGeometry().height(), heightBefore);
    EXPECT_TRUE(main.rdoYMD->isChecked());
    EXPECT_FALSE(main.rdoYMDHN->isChecked());
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.value(0).value(0).toBool(), true);
    EXPECT_TRUE(main.rdoDSMF->isChecked()) << "an empty Checked changes nothing";
    auto* label2 = main.form->findChild<QLabel*>("Label2");
    EXPECT_EQ(label2->property(TagProperty).toInt(), -1);
    EXPECT_TRUE(label2->isEnabled());
    EXPECT_FALSE(main.form->findChild<QLabel*>("Label3")->isEnabled());
    EXPECT_TRUE(main.form->findChild<QLabel*>("Label4")->isEnabled());
}

TEST(FormState, AGroupStoredAllOffShowsAllOffAndStaysExclusive) {
    TempDir dir;
    const std::string file = dir.file("off.ini");
    // One group of auto-exclusive buttons, one held by an exclusive QButtonGroup.
    MainLikeForm main;
    auto* group = new QButtonGroup(main.form.get());
    group->setObjectName("DateGroup");
    for (QRadioButton* b : {main.rdoDMF, main.rdoDSF, main.rdoDSMF, main.rdoDF})
        group->addButton(b);
    writeFile(file, "[MainForm.RdoYMD]\nChecked=0\n[MainForm.RdoYMDHN]\nChecked=0\n"
                    "[MainForm.RdoYMDHNS]\nChecked=0\n[MainForm.RdoDSMF]\nChecked=0\n");
    LoadFormState(QString::fromStdString(file), main.form.get());
    for (QRadioButton* b : {main.rdoYMD, main.rdoYMDHN, main.rdoYMDHNS, main.rdoDMF, main.rdoDSF,
                            main.rdoDSMF, main.rdoDF})
        EXPECT_FALSE(b->isChecked()) << b->objectName().toStdString();

    // Exclusiveness is back: a click still turns the others off.
    main.rdoYMD->click();
    main.rdoYMDHN->click();
    EXPECT_FALSE(main.rdoYMD->isChecked());
    main.rdoDMF->click();
    main.rdoDF->click();
    EXPECT_FALSE(main.rdoDMF->isChecked());
    EXPECT_TRUE(main.rdoYMDHN->autoExclusive());
    EXPECT_TRUE(group->exclusive());
}

TEST(FormState, CheckBoxesKeepTheirTickAndAPartTickIsStoredAsNone) {
    TempDir dir;
    const QString file = QString::fromStdString(dir.file("kinds.ini"));
    auto build = [] {
        auto form = std::make_unique<QWidget>();
        form->setObjectName("F");
        Make<QCheckBox>(form.get(), "Box");
        auto* part = Make<QCheckBox>(form.get(), "Part");
        part->setTristate(true);
        auto* dialog = new QFileDialog(form.get());
        dialog->setObjectName("OpenDialog");
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        return form;
    };
    {
        auto form = build();
        form->findChild<QCheckBox*>("Box")->setChecked(true);
        form->findChild<QCheckBox*>("Part")->setCheckState(Qt::PartiallyChecked);
        SaveFormState(file, form.get());
    }
    std::vector<std::string> lines = Lines(file.toStdString());
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "[F.F]");
    lines.erase(lines.begin(), lines.begin() + 5); // the geometry
    const std::vector<std::string> expected = {"[F.Box]",        "Tag=0", "Enabled=1", "Checked=1",
                                               "[F.Part]",       "Tag=0", "Enabled=1", "Checked=0",
                                               "[F.OpenDialog]", "Tag=0"};
    EXPECT_EQ(lines, expected) << "a dialog is a window of its own: no Enabled, and no inner parts";

    auto form = build();
    LoadFormState(file, form.get());
    EXPECT_TRUE(form->findChild<QCheckBox*>("Box")->isChecked());
    EXPECT_EQ(form->findChild<QCheckBox*>("Part")->checkState(), Qt::Unchecked);

    // An absent Checked keeps the box as it is; a present one sets it.
    writeFile(file.toStdString(), "[F.Box]\nTag=3\n");
    LoadFormState(file, form.get());
    EXPECT_TRUE(form->findChild<QCheckBox*>("Box")->isChecked());
    writeFile(file.toStdString(), "[F.Box]\nChecked=0\n");
    LoadFormState(file, form.get());
    EXPECT_FALSE(form->findChild<QCheckBox*>("Box")->isChecked());
}

TEST(FormState, TheWalkTakesTheFormsOwnComponentsOnly) {
    QWidget form;
    form.setObjectName("F");
    auto* layout = new QVBoxLayout(&form);
    layout->setObjectName("mainLayout");
    auto* group = Make<QGroupBox>(&form, "Group", layout);
    auto* inner = new QVBoxLayout(group);
    auto* edit = Make<QLineEdit>(group, "Edit", inner);
    edit->setClearButtonEnabled(true); // adds an inner button to the edit
    Make<QRadioButton>(group, "", inner);
    auto* timer = new QTimer(&form);
    timer->setObjectName("Timer1");
    auto* qtPart = new QWidget(&form);
    qtPart->setObjectName("qt_internal");
    new QLabel(qtPart);
    auto* dialog = new QFileDialog(&form);
    dialog->setObjectName("Dialog");
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    Make<QLabel>(&form, "Last", layout);

    EXPECT_EQ(Names(FormComponents(&form)),
              (std::vector<std::string>{"Group", "Edit", "", "Timer1", "Dialog", "Last"}));

    // Unnamed components share the section "F.".
    TempDir dir;
    const std::string file = dir.file("walk.ini");
    SaveFormState(QString::fromStdString(file), &form);
    const std::vector<std::string> lines = Lines(file);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "[F.]"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "[F.Timer1]"), lines.end());
}

TEST(FormState, AWindowOutsideEveryScreenComesBackOnTheNearestOne) {
    TempDir dir;
    const std::string file = dir.file("screens.ini");
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    MainLikeForm main;

    // Far to the right of the only screen: moved into its work area.
    writeFile(file, "[MainForm.MainForm]\nTop=100\nLeft=" + std::to_string(screen.right() + 3000) +
                        "\nWidth=300\nHeight=200\n");
    LoadFormState(QString::fromStdString(file), main.form.get());
    QRect frame = main.form->frameGeometry();
    EXPECT_EQ(frame.size(), QSize(300, 200));
    EXPECT_EQ(frame.right(), area.right());
    EXPECT_EQ(frame.top(), 100);

    // Half off the screen: applied as read.
    writeFile(file, "[MainForm.MainForm]\nTop=-50\nLeft=-100\nWidth=300\nHeight=200\n");
    LoadFormState(QString::fromStdString(file), main.form.get());
    frame = main.form->frameGeometry();
    EXPECT_EQ(frame.topLeft(), QPoint(-100, -50));
}

TEST(FormState, ValuesAtTheLimitsOfTheNumbersPutTheWindowOnTheScreen) {
    TempDir dir;
    const std::string file = dir.file("limits.ini");
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const std::string most = "2147483647";
    const std::string least = "-2147483648";
    const std::vector<std::vector<std::string>> files = {
        // Top, Left, Width, Height
        {most, least, most, least},
        {least, most, least, most},
        {most, most, most, most},
        {least, least, least, least},
        {"0x7FFFFFFF", "0x80000000", "0xFFFFFFFF", "0x7FFFFFFF"},
    };
    for (const auto& values : files) {
        const std::string text = "[MainForm.MainForm]\nTop=" + values[0] + "\nLeft=" + values[1] +
                                 "\nWidth=" + values[2] + "\nHeight=" + values[3] + "\n";
        SCOPED_TRACE(text);
        writeFile(file, text);
        for (const bool fixedSize : {false, true}) {
            MainLikeForm main;
            if (fixedSize)
                main.form->setFixedSize(400, 300); // as the main window is
            LoadFormState(QString::fromStdString(file), main.form.get());
            const QRect frame = main.form->frameGeometry();
            EXPECT_TRUE(area.contains(frame.topLeft()))
                << "at " << frame.x() << "," << frame.y() << " sized " << frame.width() << "x"
                << frame.height();
            // A size below nothing is nothing, as Qt has it; above, at most
            // the largest a widget may be.
            EXPECT_GE(frame.width(), 0);
            EXPECT_GE(frame.height(), 0);
            EXPECT_LE(frame.width(), QWIDGETSIZE_MAX);
            EXPECT_LE(frame.height(), QWIDGETSIZE_MAX);
            if (!frame.isEmpty()) {
                EXPECT_TRUE(frame.intersects(screen));
            }
            if (fixedSize) {
                EXPECT_EQ(frame.size(), QSize(400, 300));
            }

            // What is saved back is where the window stands, not the extremes.
            const std::string saved = dir.file("saved.ini");
            SaveFormState(QString::fromStdString(saved), main.form.get());
            const std::string back = readFile(saved);
            EXPECT_NE(back.find("Top=" + std::to_string(frame.top()) + "\n"), std::string::npos)
                << back.substr(0, 80);
            EXPECT_NE(back.find("Left=" + std::to_string(frame.left()) + "\n"), std::string::npos)
                << back.substr(0, 80);
        }
    }
}

TEST(FormState, LoadingAMessyFileAppliesWhatItCanAndNeverWrites) {
    TempDir dir;
    const std::string file = dir.file("messy.ini");
    std::string text = "\xEF\xBB\xBF[MainForm.RdoYMD]\r\nChecked=1\r\n%%% garbage %%%\r\n"
                       "[MainForm.RdoYMD]\r\nChecked=0\r\n";
    for (int i = 0; i < 10000; ++i)
        text += "[Noise" + std::to_string(i) + "]\r\nTag=" + std::to_string(i) + "\r\n";
    text += "[MainForm.Label2]\r\nTag=" + std::string(1 << 20, '9') + "\r\n";
    text += "[MainForm.Label3]\r\nTag=7";
    writeFile(file, text);
    chmod(file.c_str(), 0444);
    const FileStamp before = Stamp(file);

    MainLikeForm main;
    LoadFormState(QString::fromStdString(file), main.form.get());
    EXPECT_TRUE(main.rdoYMD->isChecked());
    EXPECT_FALSE(main.rdoYMDHN->isChecked());
    EXPECT_EQ(main.form->findChild<QLabel*>("Label2")->property(TagProperty).toInt(), 0);
    EXPECT_EQ(main.form->findChild<QLabel*>("Label3")->property(TagProperty).toInt(), 7);

    const FileStamp after = Stamp(file);
    EXPECT_EQ(after.bytes, before.bytes);
    EXPECT_EQ(after.modified.tv_sec, before.modified.tv_sec);
    EXPECT_EQ(after.modified.tv_nsec, before.modified.tv_nsec);
    EXPECT_EQ(after.folder, before.folder);
}

TEST(FormState, AFailedSaveRaisesTheErrorAndKeepsThePreviousFile) {
    TempDir dir;
    MainLikeForm main;
    // The state file's name is taken by a folder: it cannot be replaced.
    const std::string blocked = dir.file("blocked.ini");
    std::filesystem::create_directory(blocked);
    writeFile(blocked + "/inside", "x");
    try {
        SaveFormState(QString::fromStdString(blocked), main.form.get());
        FAIL() << "the save should have failed";
    } catch (const TIniFileError& error) {
        EXPECT_EQ(error.FileName(), blocked);
    }
    EXPECT_TRUE(std::filesystem::is_directory(blocked));
    EXPECT_EQ(kelvara::test::fileNames(dir.path()), std::vector<std::string>{})
        << "no temporary file is left behind";
}

TEST(FrameGeometry, AFrameOffEveryScreenGoesToTheNearestWorkArea) {
    // Two screens side by side; the right one's work area leaves a panel on top.
    const QList<QRect> screens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    const QList<QRect> areas = {QRect(0, 0, 1920, 1040), QRect(1920, 30, 1280, 994)};

    EXPECT_EQ(PlaceOnScreens(QRect(3000, 500, 400, 300), screens, areas),
              QRect(3000, 500, 400, 300))
        << "touching a screen: as read";
    EXPECT_EQ(PlaceOnScreens(QRect(3300, -900, 400, 300), screens, areas),
              QRect(2800, 30, 400, 300))
        << "above the right screen: into its work area";
    EXPECT_EQ(PlaceOnScreens(QRect(-2000, 2000, 400, 300), screens, areas), QRect(0, 740, 400, 300))
        << "below left: the left screen is nearer";
    EXPECT_EQ(PlaceOnScreens(QRect(5000, 100, 2000, 1500), screens, areas),
              QRect(1920, 30, 2000, 1500))
        << "larger than the area: its top-left corner wins, the size stays";
    EXPECT_EQ(PlaceOnScreens(QRect(5000, 100, 400, 300), {}, {}), QRect(5000, 100, 400, 300))
        << "no screens at all: nowhere better to go";
}

TEST(FrameGeometry, FramesAtTheEndsOfTheNumbersAreMeasuredWithoutOverflow) {
    const QList<QRect> screens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    const QList<QRect> areas = {QRect(0, 0, 1920, 1040), QRect(1920, 30, 1280, 994)};
    constexpr int least = std::numeric_limits<int>::min();
    constexpr int most = std::numeric_limits<int>::max();
    // Corners given as points: a size would overflow before we even begin.
    EXPECT_EQ(PlaceOnScreens(QRect(QPoint(least, least), QPoint(least + 399, least + 299)), screens,
                             areas),
              QRect(0, 0, 400, 300))
        << "far up and left: the left screen's corner";
    EXPECT_EQ(
        PlaceOnScreens(QRect(QPoint(most - 399, most - 299), QPoint(most, most)), screens, areas),
        QRect(2800, 724, 400, 300))
        << "far down and right: the right screen's far corner";
    EXPECT_EQ(
        PlaceOnScreens(QRect(QPoint(most - 399, least), QPoint(most, least + 299)), screens, areas),
        QRect(2800, 30, 400, 300))
        << "far up and right";
    const QRect everything(QPoint(least, least), QPoint(most, most));
    EXPECT_EQ(PlaceOnScreens(everything, screens, areas), everything)
        << "covering every screen: it touches them, as read";
    const QRect wide(QPoint(least, 5000), QPoint(most, 5299));
    EXPECT_EQ(PlaceOnScreens(wide, screens, areas).topLeft(), QPoint(0, 740))
        << "wider than any screen and below them: its top-left corner wins";
}

TEST(FrameGeometry, OnlyWaylandKeepsWindowsFromKnowingTheirPlace) {
    for (const char* name : {"wayland", "wayland-egl", "wayland-xcomposite-glx"})
        EXPECT_FALSE(KnowsWindowPlaces(QString::fromLatin1(name))) << name;
    for (const char* name : {"xcb", "offscreen", "windows", "minimal", "vnc"})
        EXPECT_TRUE(KnowsWindowPlaces(QString::fromLatin1(name))) << name;
    // This test runs offscreen: places are saved and restored there.
    EXPECT_TRUE(KnowsWindowPlaces());
}
