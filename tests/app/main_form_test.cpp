// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on the offscreen platform: its design, the naming options
// it gives the rename step, the intake of drops and arguments, and its state.

#include "app/HistoryForm.h"
#include "app/MainForm.h"
#include "app/RunPanel.h"
#include "app/RunTexts.h"
#include "app/StateSaveReport.h"
#include "app/Translation.h"
#include "base/PathName.h"
#include "base/qt/QtLog.h"
#include "history/History.h"
#include "info/InfoLinks.h"
#include "photo/PhotoMetadataLibrary.h"
#include "platform/FileIdentity.h"
#include "search/FindFileThread.h"
#include "state/FormState.h"
#include "state/IniFile.h"
#include "support/CompanionFiles.h"
#include "support/LogCapture.h"
#include "support/MessageBoxAnswerer.h"
#include "support/QtApp.h"
#include "support/TempDir.h"
#include "ui/VersionInfo.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QDropEvent>
#include <QFileDialog>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

using namespace kelvara;
using namespace kelvara::test;
namespace fs = std::filesystem;

namespace {

// The controls the tests touch, found by the object names the design gives
// them, as the state file and the translations know them too.
template <typename Control> Control* Find(const QWidget& form, const char* name) {
    auto* control = form.findChild<Control*>(QString::fromLatin1(name));
    if (control == nullptr)
        throw std::logic_error(std::string("the main window has no ") + name);
    return control;
}

struct Controls {
    explicit Controls(const QWidget& form)
        : Label1(Find<QLabel>(form, "Label1")), Label4(Find<QLabel>(form, "Label4")),
          Button1(Find<QPushButton>(form, "Button1")),
          LblDateFile(Find<QLabel>(form, "LblDateFile")),
          LblDateModelFile(Find<QLabel>(form, "LblDateModelFile")),
          LblDateSizeFile(Find<QLabel>(form, "LblDateSizeFile")),
          LblDateSizeModelFile(Find<QLabel>(form, "LblDateSizeModelFile")),
          RdoYMD(Find<QRadioButton>(form, "RdoYMD")),
          RdoYMDHN(Find<QRadioButton>(form, "RdoYMDHN")),
          RdoYMDHNS(Find<QRadioButton>(form, "RdoYMDHNS")),
          RdoDF(Find<QRadioButton>(form, "RdoDF")), RdoDMF(Find<QRadioButton>(form, "RdoDMF")),
          RdoDSF(Find<QRadioButton>(form, "RdoDSF")), RdoDSMF(Find<QRadioButton>(form, "RdoDSMF")),
          LblProgress(Find<QLabel>(form, "LblProgress")),
          BtnUndo(Find<QPushButton>(form, "BtnUndo")), LblHistory(Find<QLabel>(form, "LblHistory")),
          ChkFast(Find<QCheckBox>(form, "ChkFast")), ChkVideos(Find<QCheckBox>(form, "ChkVideos")) {
    }
    QLabel* Label1;
    QLabel* Label4;
    QPushButton* Button1;
    QLabel* LblDateFile;
    QLabel* LblDateModelFile;
    QLabel* LblDateSizeFile;
    QLabel* LblDateSizeModelFile;
    QRadioButton* RdoYMD;
    QRadioButton* RdoYMDHN;
    QRadioButton* RdoYMDHNS;
    QRadioButton* RdoDF;
    QRadioButton* RdoDMF;
    QRadioButton* RdoDSF;
    QRadioButton* RdoDSMF;
    QLabel* LblProgress;
    QPushButton* BtnUndo;
    QLabel* LblHistory;
    QCheckBox* ChkFast;
    QCheckBox* ChkVideos;
};

class MainFormTest : public ::testing::Test {
protected:
    LogCapture log; // outlives the worker, which writes to it
    TPhotoMetadataLibrary library;
    TFindFileUnit unit;
    TempDir temp;

    std::unique_ptr<TMainForm> makeForm(std::vector<std::string> args = {},
                                        const std::string& iniFile = {}) {
        args.insert(args.begin(), temp.file("Kelvara"));
        return std::make_unique<TMainForm>(
            std::move(args),
            QString::fromStdString(iniFile.empty() ? temp.file("Kelvara.ini") : iniFile));
    }

    // A state file that can never be written: its folder is a file.
    std::string unwritableIni() {
        writeFile(temp.path() / "plain-file", "");
        return temp.file("plain-file/Kelvara.ini");
    }

    // The one message of a state file that was not saved, as the user reads
    // it (no catalog is installed here: the text as written).
    static QString notSaved(const std::string& iniFile) {
        return QString::fromStdString(iniFile) + QStringLiteral(" に書き込めません.");
    }

    static TPathList queuedFiles() {
        TPathList files;
        FindFileThread->TakeFiles(files, 1000);
        return files;
    }

    static std::vector<std::string> examples(TMainForm& form) {
        const Controls ui(form);
        return {ui.LblDateFile->text().toStdString(), ui.LblDateModelFile->text().toStdString(),
                ui.LblDateSizeFile->text().toStdString(),
                ui.LblDateSizeModelFile->text().toStdString()};
    }

    // Whether two controls of one panel paint the same pixel with anything
    // but the window's white.
    static bool DrawOnEachOther(QWidget* a, QWidget* b) {
        const QImage inkA = a->grab().toImage();
        const QImage inkB = b->grab().toImage();
        const QRgb background = a->palette().color(QPalette::Window).rgb();
        const QRect both = a->geometry() & b->geometry();
        for (int y = both.top(); y <= both.bottom(); ++y)
            for (int x = both.left(); x <= both.right(); ++x)
                if (inkA.pixel(x - a->x(), y - a->y()) != background &&
                    inkB.pixel(x - b->x(), y - b->y()) != background)
                    return true;
        return false;
    }

    static std::string focusName() {
        const QWidget* focus = QApplication::focusWidget();
        return focus != nullptr ? focus->objectName().toStdString() : std::string("(none)");
    }

    static void drop(TMainForm& form, QMimeData* data) {
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &enter);
        if (!enter.isAccepted())
            return;
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &event);
    }
};

// Answers every file dialog shown while it lives with `file`, as a user
// who types the name and presses Save.
class FileDialogAnswerer : public QObject {
public:
    explicit FileDialogAnswerer(std::string file) : m_file(std::move(file)) {
        qApp->installEventFilter(this);
    }
    ~FileDialogAnswerer() override { qApp->removeEventFilter(this); }
    int shown = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<QFileDialog*>(watched);
        if (dialog != nullptr && event->type() == QEvent::Show) {
            ++shown;
            QTimer::singleShot(0, dialog, [this, dialog] {
                dialog->selectFile(QString::fromStdString(m_file));
                QMetaObject::invokeMethod(dialog, "accept");
            });
        }
        return false;
    }

private:
    std::string m_file;
};

} // namespace

TEST_F(MainFormTest, TheDesignHasItsComponentsInCreationOrderWithTheirTexts) {
    // The captions as written, whatever language this machine speaks.
    const TTranslation japanese({"ja-JP", "ja-Jpan-JP", "ja"});
    auto form = makeForm();
    std::vector<std::string> names;
    for (QObject* component : FormComponents(form.get()))
        names.push_back(component->objectName().toStdString());
    EXPECT_EQ(names, (std::vector<std::string>{"Panel1",
                                               "Label2",
                                               "Label3",
                                               "Label4",
                                               "RdoYMD",
                                               "RdoYMDHN",
                                               "RdoYMDHNS",
                                               "Panel2",
                                               "LblDateModelFile",
                                               "LblDateSizeFile",
                                               "LblDateSizeModelFile",
                                               "LblDateFile",
                                               "RdoDMF",
                                               "RdoDSF",
                                               "RdoDSMF",
                                               "RdoDF",
                                               "Panel3",
                                               "Label1",
                                               "Button1",
                                               "Panel4",
                                               "LblProgress",
                                               "BtnUndo",
                                               "LblHistory",
                                               "ChkFast",
                                               "ChkVideos"}));
    const Controls ui(*form);
    EXPECT_EQ(ui.Button1->text(), "VERSION");
    EXPECT_EQ(ui.Label1->text(), "デジカメ写真をドロップするとリネームします");
    EXPECT_EQ(ui.RdoYMDHNS->text(), "年月日時分秒");
    EXPECT_EQ(ui.RdoDSMF->text(), "撮影日_サイズ_カメラのモデル_元のファイル名");
    EXPECT_EQ(ui.RdoYMD->property("Hint").toString(), "20080318");
    // Hints are data: no control shows a tooltip.
    for (QWidget* widget : form->findChildren<QWidget*>())
        EXPECT_TRUE(widget->toolTip().isEmpty()) << widget->objectName().toStdString();
    // The caption comes from the version block, never the design's "MainForm".
    EXPECT_NE(form->windowTitle(), "MainForm");
    EXPECT_TRUE(form->windowTitle().endsWith(" - MainForm"));
    EXPECT_EQ(form->font().pixelSize(), 13);
}

TEST_F(MainFormTest, TheWindowSpeaksJapaneseAsWrittenAndEnglishToEveryOtherLanguage) {
    struct TLanguage {
        QStringList uiLanguages;
        const char* label1;
        const char* rdoYMD;
        const char* rdoDSMF;
        const char* label4;
    };
    const TLanguage japanese{{"ja-JP", "ja-Jpan-JP", "ja"},
                             "デジカメ写真をドロップするとリネームします",
                             "年月日",
                             "撮影日_サイズ_カメラのモデル_元のファイル名",
                             "ex)20080318122627"};
    const auto english = [](QStringList uiLanguages) {
        return TLanguage{std::move(uiLanguages), "Drop camera photos here to rename them",
                         "Year Month Day", "Date taken_Size_Camera model_Original name",
                         "e.g. 20080318122627"};
    };
    const QString title =
        VersionCaption(QCoreApplication::applicationFilePath(), QStringLiteral("MainForm"));
    for (const TLanguage& language : {japanese, english({"en-US", "en-Latn-US", "en"}),
                                      english({"de-DE", "de-Latn-DE", "de"}), english({"C"})}) {
        SCOPED_TRACE(language.uiLanguages.join(',').toStdString());
        const TTranslation translation(language.uiLanguages);
        auto form = makeForm();
        const Controls ui(*form);
        EXPECT_EQ(ui.Label1->text(), QString::fromUtf8(language.label1));
        EXPECT_EQ(ui.RdoYMD->text(), QString::fromUtf8(language.rdoYMD));
        EXPECT_EQ(ui.RdoDSMF->text(), QString::fromUtf8(language.rdoDSMF));
        EXPECT_EQ(ui.Label4->text(), QString::fromUtf8(language.label4));
        // Data and captions with the version are the same in every language.
        EXPECT_EQ(ui.Button1->text(), "VERSION");
        EXPECT_EQ(examples(*form)[3], "200803181226_1600x1200_CanonIXYDIGITAL900IS_IMG_3444.JPG");
        EXPECT_EQ(form->windowTitle(), title);
        EXPECT_EQ(HintOf(ui.LblDateFile), "_3444.JPG");
    }
}

TEST_F(MainFormTest, NoCaptionIsCutOrRunsIntoAnotherAndTheStateFileCannotShrinkTheWindow) {
    const QSize design(451, 429);
    for (const QStringList& uiLanguages :
         {QStringList{"ja-JP", "ja-Jpan-JP", "ja"}, QStringList{"en-US", "en-Latn-US", "en"}}) {
        SCOPED_TRACE(uiLanguages.front().toStdString());
        const TTranslation translation(uiLanguages);
        QSize fitted;
        {
            auto form = makeForm();
            // The longest examples.
            Controls(*form).RdoYMDHNS->click();
            fitted = form->size();
            EXPECT_GE(fitted.width(), design.width());
            EXPECT_GE(fitted.height(), design.height());
            EXPECT_EQ(form->minimumSize(), form->maximumSize()) << "the user does not resize it";

            const auto panels = form->findChildren<QFrame*>(QString(), Qt::FindDirectChildrenOnly);
            ASSERT_EQ(panels.size(), 4);
            for (const QFrame* panel : panels) {
                const std::string name = panel->objectName().toStdString();
                EXPECT_TRUE(form->rect().contains(panel->geometry())) << name;
                for (const QFrame* other : panels)
                    EXPECT_TRUE(other == panel || !other->geometry().intersects(panel->geometry()))
                        << name;
                const auto controls =
                    panel->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
                for (QWidget* control : controls) {
                    const std::string where = name + "." + control->objectName().toStdString();
                    EXPECT_GE(control->width(), control->sizeHint().width()) << where;
                    EXPECT_GE(control->height(), control->sizeHint().height()) << where;
                    EXPECT_TRUE(panel->contentsRect().contains(control->geometry())) << where;
                    // The design's rows may touch where the face is taller
                    // than the design's; what they draw must not.
                    for (QWidget* other : controls)
                        EXPECT_TRUE(other == control || !DrawOnEachOther(control, other))
                            << where << " and " << other->objectName().toStdString();
                }
            }
        } // saved here

        // A size that the state file says is smaller than the texts need
        // leaves the window as it was.
        std::string ini = readFile(temp.path() / "Kelvara.ini");
        for (const char* key : {"Width=", "Height="}) {
            const auto at = ini.find(key, ini.find("[MainForm.MainForm]"));
            ini.replace(at, ini.find('\n', at) - at, std::string(key) + "100");
        }
        writeFile(temp.path() / "Kelvara.ini", ini);
        auto form = makeForm();
        form->show();
        EXPECT_EQ(form->size(), fitted);
    }
}

TEST_F(MainFormTest, FirstStartAndDateClicksSetThePatternAndTheExamples) {
    auto form = makeForm();
    const Controls ui(*form);
    EXPECT_TRUE(ui.RdoYMDHN->isChecked());
    EXPECT_TRUE(ui.RdoDSMF->isChecked());
    EXPECT_EQ(form->DatePattern(), "YYYYMMDDHHNN");
    EXPECT_EQ(form->Layout(), TNameLayout::DateSizeModelFile);
    EXPECT_EQ(examples(*form),
              (std::vector<std::string>{
                  "200803181226_3444.JPG", "200803181226_CanonIXYDIGITAL900IS_IMG_3444.JPG",
                  "200803181226_1600x1200_3444.JPG",
                  "200803181226_1600x1200_CanonIXYDIGITAL900IS_IMG_3444.JPG"}));

    ui.RdoYMD->click();
    EXPECT_EQ(form->DatePattern(), "YYYYMMDD");
    for (const auto& example : examples(*form))
        EXPECT_EQ(example.rfind("20080318_", 0), 0u) << example;
    ui.RdoYMDHNS->click();
    EXPECT_EQ(form->DatePattern(), "YYYYMMDDHHNNSS");

    // A layout click changes nothing in the window, only the next step.
    const auto before = examples(*form);
    ui.RdoDF->click();
    EXPECT_EQ(examples(*form), before);
    EXPECT_EQ(form->Layout(), TNameLayout::DateFile);

    // The next step uses what the window shows now.
    const std::string photo = copyPhoto("jpg/Canon_40D.jpg", temp.path() / "p");
    form->QueuePath(photo);
    // The reader thread reads it first; the step only names it.
    ASSERT_TRUE(log.waitFor("kelvara.rename: prepared \"" + photo + "\""));
    form->RenameNextFile();
    EXPECT_EQ(fileNames(temp.path() / "p"),
              std::vector<std::string>{"20080530155601_Canon_40D.jpg"});
}

TEST_F(MainFormTest, DropsAndArgumentsReachTheWorkerInOrderAsFullPaths) {
    fs::create_directories(temp.path() / "folder");
    writeFile(temp.path() / "folder" / "inside.jpg", "x");
    writeFile(temp.path() / "one.jpg", "1");
    writeFile(temp.path() / "two, three.jpg", "2");
    auto form = makeForm();
    queuedFiles();

    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(QString::fromStdString(temp.file("folder"))),
                   QUrl::fromLocalFile(QString::fromStdString(temp.file("two, three.jpg"))),
                   QUrl::fromLocalFile(QString::fromStdString(temp.file("one.jpg")))});
    drop(*form, data);
    // The two files wait at once, in drop order; the folder is searched (by
    // a worker that wakes at once, so its file may come before, between or
    // after them).
    EXPECT_TRUE(log.waitFor("kelvara.search: searched \"" + temp.file("folder") + "/\""));
    EXPECT_FALSE(FindFileThread->HasSearchWork());
    TPathList files = queuedFiles();
    ASSERT_EQ(files.size(), 3u);
    const auto inside = std::find(files.begin(), files.end(), temp.file("folder/inside.jpg"));
    ASSERT_NE(inside, files.end());
    files.erase(inside);
    EXPECT_EQ(files[0], temp.file("two, three.jpg"));
    EXPECT_EQ(files[1], temp.file("one.jpg"));

    // Text and web addresses are refused.
    auto* text = new QMimeData;
    text->setText(QString::fromStdString(temp.file("one.jpg")));
    drop(*form, text);
    auto* web = new QMimeData;
    web->setUrls({QUrl("https://example.org/a.jpg")});
    drop(*form, web);
    TPathList later = queuedFiles();
    later.erase(std::remove(later.begin(), later.end(), temp.file("folder/inside.jpg")),
                later.end());
    EXPECT_TRUE(later.empty());
    delete data;
    delete text;
    delete web;

    // A relative argument is made full against the current folder when the
    // window is first shown.
    const fs::path previous = fs::current_path();
    fs::current_path(temp.path());
    auto withArgs = makeForm({"one.jpg", "./folder/../two, three.jpg", "missing.jpg"});
    withArgs->show();
    fs::current_path(previous);
    EXPECT_EQ(queuedFiles(), (TPathList{temp.file("one.jpg"), temp.file("two, three.jpg")}));
}

TEST_F(MainFormTest, TheStateComesBackAndAGroupStoredOffFallsBackToMinutes) {
    {
        auto form = makeForm();
        Controls(*form).RdoYMDHNS->click();
        Controls(*form).RdoDMF->click();
    } // saved here
    {
        auto form = makeForm();
        EXPECT_TRUE(Controls(*form).RdoYMDHNS->isChecked());
        EXPECT_TRUE(Controls(*form).RdoDMF->isChecked());
        EXPECT_EQ(form->DatePattern(), "YYYYMMDDHHNNSS");
        EXPECT_EQ(form->Layout(), TNameLayout::DateModelFile);
    }
    // Every date and layout button stored as off: the pattern falls back to
    // minutes with that example, the buttons stay off, and no file is renamed.
    std::string ini = readFile(temp.path() / "Kelvara.ini");
    // The run panel's two choices: off at first, saved as check boxes are.
    for (const char* box : {"[MainForm.ChkFast]\nTag=0\nEnabled=1\nChecked=0\n",
                            "[MainForm.ChkVideos]\nTag=0\nEnabled=1\nChecked=0\n"})
        EXPECT_NE(ini.find(box), std::string::npos) << box;
    {
        auto form = makeForm();
        EXPECT_FALSE(form->FastRuns());
        EXPECT_FALSE(form->VideosToo());
        Controls(*form).ChkFast->click();
        Controls(*form).ChkVideos->click();
    }
    {
        auto form = makeForm();
        EXPECT_TRUE(Controls(*form).ChkFast->isChecked());
        EXPECT_TRUE(form->FastRuns());
        EXPECT_TRUE(form->VideosToo());
    }
    ini = readFile(temp.path() / "Kelvara.ini");
    for (const char* name :
         {"RdoYMD", "RdoYMDHN", "RdoYMDHNS", "RdoDF", "RdoDMF", "RdoDSF", "RdoDSMF"}) {
        const std::string section = std::string("[MainForm.") + name + "]";
        const auto at = ini.find("Checked=", ini.find(section));
        ini.replace(at, 9, "Checked=0");
    }
    writeFile(temp.path() / "Kelvara.ini", ini);
    auto form = makeForm();
    const Controls ui(*form);
    for (QRadioButton* button :
         {ui.RdoYMD, ui.RdoYMDHN, ui.RdoYMDHNS, ui.RdoDF, ui.RdoDMF, ui.RdoDSF, ui.RdoDSMF})
        EXPECT_FALSE(button->isChecked()) << button->objectName().toStdString();
    EXPECT_EQ(form->DatePattern(), "YYYYMMDDHHNN");
    EXPECT_EQ(examples(*form)[0], "200803181226_3444.JPG");
    EXPECT_EQ(form->Layout(), TNameLayout::None);
    const std::string photo = copyPhoto("jpg/Canon_40D.jpg", temp.path() / "p");
    form->QueuePath(photo);
    // The reader thread reads it first; the step only names it.
    ASSERT_TRUE(log.waitFor("kelvara.rename: prepared \"" + photo + "\""));
    form->RenameNextFile();
    EXPECT_EQ(fileNames(temp.path() / "p"), std::vector<std::string>{"Canon_40D.jpg"});
}

// Keys as the platform delivers them to the active window, which passes
// them to its focus.
TEST_F(MainFormTest, TheKeyboardTakesEachGroupOfRadioButtonsAsOneStop) {
    {
        auto form = makeForm();
        const Controls ui(*form);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QWindow* window = form->windowHandle();

        // A fresh window: the first focus and each Tab land on a button that
        // is on, so Tab and Space change nothing.
        EXPECT_EQ(focusName(), "RdoYMDHN");
        QTest::keyClick(window, Qt::Key_Space);
        QTest::keyClick(window, Qt::Key_Tab);
        EXPECT_EQ(focusName(), "RdoDSMF");
        QTest::keyClick(window, Qt::Key_Space);
        QTest::keyClick(window, Qt::Key_Tab);
        EXPECT_EQ(focusName(), "Button1");
        // Then the run panel's controls, each a stop of its own, and round
        // to the date group again.
        std::vector<std::string> runPanelStops;
        for (int tab = 0;
             tab < 8 && (QTest::keyClick(window, Qt::Key_Tab), true) && focusName() != "RdoYMDHN";
             ++tab)
            runPanelStops.push_back(focusName());
        EXPECT_EQ(focusName(), "RdoYMDHN");
        EXPECT_EQ(runPanelStops, (std::vector<std::string>{"BtnUndo", "ChkFast", "ChkVideos"}));
        EXPECT_TRUE(ui.RdoYMDHN->isChecked());
        EXPECT_TRUE(ui.RdoDSMF->isChecked());
        EXPECT_EQ(form->DatePattern(), "YYYYMMDDHHNN");
        EXPECT_EQ(form->Layout(), TNameLayout::DateSizeModelFile);

        // The arrows move the choice within a group, and the step sees it.
        QTest::keyClick(window, Qt::Key_Down);
        EXPECT_TRUE(ui.RdoYMDHNS->isChecked());
        EXPECT_EQ(form->DatePattern(), "YYYYMMDDHHNNSS");
        QTest::keyClick(window, Qt::Key_Up);
        QTest::keyClick(window, Qt::Key_Up);
        EXPECT_EQ(focusName(), "RdoYMD");
        EXPECT_TRUE(ui.RdoYMD->isChecked());
        EXPECT_EQ(form->DatePattern(), "YYYYMMDD");
        QTest::keyClick(window, Qt::Key_Tab);
        EXPECT_EQ(focusName(), "RdoDSMF");
        QTest::keyClick(window, Qt::Key_Up);
        EXPECT_TRUE(ui.RdoDSF->isChecked());
        EXPECT_EQ(form->Layout(), TNameLayout::DateSizeFile);
        EXPECT_EQ(form->DatePattern(), "YYYYMMDD");
        // Back into the date group: on its new choice.
        QTest::keyClick(window, Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(focusName(), "RdoYMD");
    } // saved here
    // A restored choice is where the keyboard enters.
    auto form = makeForm();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    EXPECT_EQ(focusName(), "RdoYMD");
    QTest::keyClick(form->windowHandle(), Qt::Key_Tab);
    EXPECT_EQ(focusName(), "RdoDSF");
}

TEST_F(MainFormTest, ThePanelCountsARunAndSumsItUpWithWhyFilesKeptTheirNames) {
    const TTranslation japanese({"ja-JP", "ja-Jpan-JP", "ja"});
    const fs::path folder = temp.path() / "card";
    copyPhoto("jpg/orientation/landscape_6.jpg", folder, "undated.jpg");
    writeFile(folder / "notes.jpg", "not a photo at all");
    copyPhoto("jpg/Canon_40D.jpg", folder, "IMG_200805301556.jpg");
    copyPhoto("jpg/Canon_40D.jpg", folder, "taken.jpg");
    writeFile(folder / "200805301556_100x68_CanonEOS40D_taken.jpg", "someone else's");
    copyPhoto("jpg/Canon_40D.jpg", folder, "a.jpg");
    copyPhoto("jpg/Canon_40D.jpg", folder, "b.jpg");
    auto form = makeForm();
    form->show();
    const Controls ui(*form);
    EXPECT_TRUE(ui.LblProgress->text().isEmpty()) << "no run yet";

    // Two files given directly: the run starts with the first waiting.
    form->QueuePath((folder / "a.jpg").string());
    EXPECT_EQ(ui.LblProgress->text(), "0 件リネーム、0 件そのまま、残り 1 件");
    form->QueuePath((folder / "b.jpg").string());
    const TRun& run = form->RunPanel().Run();
    EXPECT_TRUE(run.Going());
    EXPECT_EQ(run.Given().size(), 2u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !run.Going(); }, 60000));
    EXPECT_EQ(run.State(), TRunStage::Finished);
    EXPECT_EQ(ui.LblProgress->text(), "完了: 2 件リネーム、0 件そのまま");

    // The folder: a new run, counted from nought, with a reason for each
    // file kept (the taken name's owner is no photo either).
    form->QueuePath(folder.string());
    EXPECT_EQ(run.Number(), 2u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !run.Going(); }, 60000));
    EXPECT_EQ(run.Renamed(), 0u) << "a and b are dated now";
    EXPECT_EQ(run.Kept(), 7u);
    EXPECT_EQ(run.KeptFor(TKeptReason::NotAPhoto), 2u);
    EXPECT_EQ(run.KeptFor(TKeptReason::NoDate), 1u);
    EXPECT_EQ(run.KeptFor(TKeptReason::AlreadyDated), 3u);
    EXPECT_EQ(run.KeptFor(TKeptReason::NameTaken), 1u);
    EXPECT_EQ(ui.LblProgress->text(), "完了: 0 件リネーム、7 件そのまま（日付入りの名前 3、"
                                      "写真ではない 2、撮影日なし 1、新しい名前が使用中 1）");
    EXPECT_TRUE(fs::exists(folder / "taken.jpg"));
    EXPECT_EQ(readFile(folder / "200805301556_100x68_CanonEOS40D_taken.jpg"), "someone else's");
    {
        const TTranslation english({"en-US", "en-Latn-US", "en"});
        EXPECT_EQ(RunSummaryText(run), "Done: renamed 0, kept 7 (name already dated: 3, not a "
                                       "photo: 2, no shooting date: 1, new name taken: 1)");
    }

    // A path that names nothing still ends its run.
    form->QueuePath((temp.path() / "missing").string());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !run.Going(); }, 60000));
    EXPECT_EQ(ui.LblProgress->text(), "完了: 0 件リネーム、0 件そのまま");

    // Escape ends a run: what was waiting is kept as cancelled.
    const fs::path many = temp.path() / "many";
    for (int i = 0; i < 40; ++i)
        copyPhoto("jpg/Canon_40D.jpg", many, "p" + std::to_string(i) + ".jpg");
    form->QueuePath(many.string());
    // Pressed once the run is under way (a press while the program was
    // idle is forgotten when work comes).
    ASSERT_TRUE(QTest::qWaitFor([&] { return run.Renamed() > 0; }, 60000));
    QTest::keyClick(form.get(), Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !run.Going(); }, 60000));
    EXPECT_EQ(run.State(), TRunStage::Cancelled);
    EXPECT_EQ(run.Renamed() + run.Kept(), 40u);
    EXPECT_GT(run.KeptFor(TKeptReason::Cancelled), 0u);
    EXPECT_EQ(fileNames(many).size(), 40u);
    EXPECT_TRUE(ui.LblProgress->text().startsWith("中止: "))
        << ui.LblProgress->text().toStdString();
}

TEST_F(MainFormTest, UndoPutsEveryPhotoAndCompanionBackByteForByteAndTheHistoryShowsIt) {
    const TTranslation japanese({"ja-JP", "ja-Jpan-JP", "ja"});
    const fs::path folder = temp.path() / "phone";
    copyPhoto("jpg/Canon_40D.jpg", folder, "IMG_0001.JPG");
    writeCompanion(folder, "IMG_0001.JPG.xmp");
    writeCompanion(folder, "IMG_0001.MOV");
    copyPhoto("heic/IMG_5195.HEIC", folder);
    writeCompanion(folder, "IMG_5195.AAE");
    writeFile(folder / "notes.txt", "no photo");
    const auto before = snapshot(folder);
    auto form = makeForm();
    form->show();
    const Controls ui(*form);
    ASSERT_TRUE(log.waitFor("kelvara.rename: history opened"));
    const auto runOnce = [&](std::size_t recorded) {
        form->QueuePath(folder.string());
        EXPECT_FALSE(ui.BtnUndo->isEnabled()) << "not while a run goes on";
        EXPECT_FALSE(form->Undo());
        return QTest::qWaitFor([&] { return log.count("kelvara.app: run recorded") >= recorded; },
                               60000);
    };
    const auto undone = [&](std::size_t count) {
        return QTest::qWaitFor(
            [&] { return log.count("kelvara.app: undo ended") >= count && !form->UndoGoing(); },
            60000);
    };

    ASSERT_TRUE(runOnce(1));
    // Companions moved with their photos: only the note is kept.
    EXPECT_EQ(ui.LblProgress->text(), "完了: 2 件リネーム、1 件そのまま（写真ではない 1）");
    const auto renamed = snapshot(folder);
    EXPECT_EQ(renamed.count("200805301556_100x68_CanonEOS40D_IMG_0001.MOV"), 1u);
    EXPECT_NE(renamed, before);
    ASSERT_TRUE(ui.BtnUndo->isEnabled());
    ui.BtnUndo->click();
    ASSERT_TRUE(undone(1));
    EXPECT_EQ(snapshot(folder), before) << "every file back under its old name, byte for byte";
    EXPECT_EQ(ui.LblProgress->text(), "元に戻しました: 2 件を元の名前に、0 件はそのまま。");

    // Again, undone with Ctrl+Z this time.
    ASSERT_TRUE(runOnce(2));
    EXPECT_EQ(snapshot(folder), renamed);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
    ASSERT_TRUE(undone(2));
    EXPECT_EQ(snapshot(folder), before);

    // Nothing left to undo: it says so, and nothing moves.
    ui.BtnUndo->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.count("kelvara.app: undo: nothing") == 1; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->UndoGoing(); }));
    EXPECT_EQ(snapshot(folder), before);

    // The history window: four runs, the latest first, the rename runs
    // undone; a run's list names old and new names and what was kept.
    emit ui.LblHistory->linkActivated("history");
    THistoryForm* history = form->HistoryWindow();
    ASSERT_NE(history, nullptr);
    ASSERT_EQ(history->Runs()->topLevelItemCount(), 4);
    EXPECT_EQ(history->Runs()->topLevelItem(1)->text(4), "元に戻した");
    history->Runs()->setCurrentItem(history->Runs()->topLevelItem(1));
    const QByteArray csv = history->ChosenCsv();
    EXPECT_TRUE(csv.contains("IMG_5195.AAE,202104111547_2566x3313_iPhone11ProMax_IMG_5195.AAE"))
        << csv.toStdString();
    EXPECT_TRUE(csv.contains("notes.txt,,kept: not a photo")) << csv.toStdString();
    EXPECT_TRUE(csv.contains("IMG_0001.MOV,200805301556_100x68_CanonEOS40D_IMG_0001.MOV,"
                             "\"renamed, then undone\",photo metadata"))
        << csv.toStdString();
    // The list of renames shows which source gave each one's date.
    ASSERT_GT(history->Files()->topLevelItemCount(), 0);
    EXPECT_EQ(history->Files()->topLevelItem(0)->text(3), "photo metadata");
}

TEST_F(MainFormTest, AFastRunNamesAsTheDefaultPaceDoesAndEscapeThenUndoBringsEverythingBack) {
    const TTranslation japanese({"ja-JP", "ja-Jpan-JP", "ja"});
    // Photos with companions in two folders, a second copy of a photo whose
    // new name is taken, and a file that is no photo.
    const fs::path tree = temp.path() / "tree";
    const std::vector<std::string> samples = {"Canon_40D.jpg", "Nikon_D70.jpg", "Pentax_K10D.jpg"};
    for (int i = 0; i < 30; ++i) {
        const fs::path folder = tree / (i % 2 ? "a" : "b");
        const std::string name = "IMG_" + std::to_string(1000 + i);
        copyPhoto("jpg/" + samples[i % samples.size()], folder, name + ".JPG");
        if (i % 3 == 0)
            writeCompanion(folder, name + ".JPG.xmp");
        if (i % 5 == 0)
            writeCompanion(folder, name + ".MOV");
    }
    copyPhoto("heic/IMG_5195.HEIC", tree / "a");
    writeCompanion(tree / "a", "IMG_5195.AAE");
    copyPhoto("jpg/Canon_40D.jpg", tree / "a", "taken.jpg");
    writeFile(tree / "a" / "200805301556_100x68_CanonEOS40D_taken.jpg", "someone else's");
    writeFile(tree / "b" / "notes.jpg", "no photo");
    for (const char* copy : {"paced", "fast"})
        fs::copy(tree, temp.path() / copy, fs::copy_options::recursive);
    const auto before = snapshot(tree);

    auto form = makeForm();
    form->show();
    const Controls ui(*form);
    ASSERT_TRUE(log.waitFor("kelvara.rename: history opened"));
    const auto runOnce = [&](const fs::path& folder, std::size_t recorded) {
        form->QueuePath(folder.string());
        return QTest::qWaitFor([&] { return log.count("kelvara.app: run recorded") >= recorded; },
                               60000);
    };
    ASSERT_TRUE(runOnce(temp.path() / "paced", 1));
    EXPECT_EQ(log.count("kelvara.app: run pace: default"), 1u);
    ui.ChkFast->click();
    ASSERT_TRUE(runOnce(temp.path() / "fast", 2));
    EXPECT_EQ(log.count("kelvara.app: run pace: fast"), 1u);
    EXPECT_EQ(log.count("kelvara.app: fast run ended: "), 1u);
    const auto paced = snapshot(temp.path() / "paced");
    EXPECT_NE(paced, before);
    EXPECT_EQ(snapshot(temp.path() / "fast"), paced) << "the same names, companions and contents";
    EXPECT_EQ(readFile(temp.path() / "fast/a/200805301556_100x68_CanonEOS40D_taken.jpg"),
              "someone else's");

    // Undo of the fast run: every file back, byte for byte.
    ASSERT_TRUE(form->Undo());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->UndoGoing(); }, 60000));
    EXPECT_EQ(snapshot(temp.path() / "fast"), before);

    // A fast run that Escape ends within a batch, then undone.
    const fs::path many = temp.path() / "many";
    for (int i = 0; i < 3000; ++i) {
        const std::string name = "p" + std::to_string(i);
        copyPhoto("jpg/Fujifilm_FinePix_E500.jpg", many, name + ".jpg");
        if (i % 10 == 0)
            writeCompanion(many, name + ".xmp");
    }
    const auto manyBefore = snapshot(many);
    const TRun& run = form->RunPanel().Run();
    form->QueuePath(many.string());
    ASSERT_TRUE(QTest::qWaitFor([&] { return run.Renamed() > 0; }, 60000));
    QTest::keyClick(form.get(), Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !run.Going(); }, 60000));
    EXPECT_EQ(run.State(), TRunStage::Cancelled);
    EXPECT_LT(run.Renamed(), 3000u);
    EXPECT_GT(run.KeptFor(TKeptReason::Cancelled), 0u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.count("kelvara.app: run recorded") >= 3; }));
    ASSERT_TRUE(form->Undo());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->UndoGoing(); }, 60000));
    EXPECT_EQ(snapshot(many), manyBefore);
}

TEST_F(MainFormTest, AHistoryThatCannotBeWrittenStillRenamesAndTheSummarySaysSo) {
    const TTranslation japanese({"ja-JP", "ja-Jpan-JP", "ja"});
    const fs::path history = temp.path() / "kelvara-history.sqlite";
    const std::string photo = copyPhoto("jpg/Canon_40D.jpg", temp.path() / "p");
    {
        // A folder where the file should be: it cannot be opened at all.
        fs::create_directory(history);
        auto form = makeForm();
        form->show();
        // Fast asked for: without a history the run goes at the described
        // pace, and says so.
        Controls(*form).ChkFast->click();
        form->QueuePath(photo);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return log.count("kelvara.app: run recorded") == 1; }, 60000));
        EXPECT_EQ(fileNames(temp.path() / "p"),
                  std::vector<std::string>{"200805301556_100x68_CanonEOS40D_Canon_40D.jpg"});
        const QString summary = Controls(*form).LblProgress->text();
        EXPECT_TRUE(summary.startsWith("完了: 1 件リネーム、0 件そのまま "))
            << summary.toStdString();
        EXPECT_TRUE(summary.contains("この実行は元に戻せません: ")) << summary.toStdString();
        EXPECT_TRUE(summary.contains("元に戻せないため、通常の速さで行いました。"))
            << summary.toStdString();
        EXPECT_EQ(log.count("kelvara.app: fast run ended"), 0u);
        // An undo says why it cannot be.
        ASSERT_TRUE(form->Undo());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form->UndoGoing(); }));
        ASSERT_TRUE(log.waitFor("kelvara.app: undo failed"));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return Controls(*form).LblProgress->text().startsWith("元に戻せません: "); }));
        EXPECT_EQ(fileNames(temp.path() / "p"),
                  std::vector<std::string>{"200805301556_100x68_CanonEOS40D_Canon_40D.jpg"});
        fs::remove(history);
    }
    {
        // Garbage where the history should be: moved aside, never deleted,
        // and a new one begun; the summary says where the old one went.
        writeFile(history, std::string(8192, 'x'));
        auto form = makeForm();
        form->show();
        form->QueuePath(temp.file("p/200805301556_100x68_CanonEOS40D_Canon_40D.jpg"));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return log.count("kelvara.app: run recorded") == 2; }, 60000));
        const QString summary = Controls(*form).LblProgress->text();
        EXPECT_TRUE(summary.contains("壊れた履歴ファイルは ")) << summary.toStdString();
        std::size_t aside = 0;
        for (const auto& name : fileNames(temp.path()))
            if (name.starts_with("kelvara-history.sqlite") && name != "kelvara-history.sqlite" &&
                readFile(temp.path() / name) == std::string(8192, 'x'))
                ++aside;
        EXPECT_EQ(aside, 1u);
        EXPECT_TRUE(Controls(*form).BtnUndo->isEnabled());
    }
}

// Escape during an undo of thousands of files: what is back stays back, the
// rest stays renamed, and the next Ctrl+Z finishes it, byte for byte.
TEST_F(MainFormTest, EscapeStopsAnUndoOfThousandsAndTheNextUndoFinishesIt) {
    const TTranslation japanese({"ja-JP", "ja-Jpan-JP", "ja"});
    constexpr int Files = 3000;
    const fs::path folder = temp.path() / "many";
    fs::create_directories(folder);
    for (int i = 0; i < Files; ++i)
        writeFile(folder / ("IMG_" + std::to_string(10000 + i) + ".jpg"),
                  "photo " + std::to_string(i));
    const auto before = snapshot(folder);
    {
        // A run renamed them all, recorded as the step records it.
        THistory history(temp.file("kelvara-history.sqlite"));
        const TRunId run = history.BeginRun({folder.string()}, THistoryClock::now());
        std::vector<TIntent> intents;
        for (const auto& [name, content] : before)
            intents.push_back(
                {folder.string(),
                 {{name, "20080530_" + name, *FileIdentityAt(temp.file("many/" + name))}}});
        const std::vector<TIntentId> ids = history.WriteIntents(run, intents);
        std::vector<THistory::TOutcome> outcomes;
        for (std::size_t i = 0; i < ids.size(); ++i) {
            fs::rename(folder / intents[i].files[0].oldName, folder / intents[i].files[0].newName);
            outcomes.push_back({ids[i], TIntentOutcome::Done, {}, {}});
        }
        history.RecordOutcomes(outcomes);
        history.EndRun(run, TRunEnding::Finished, THistoryClock::now(), Files, 0);
    }
    const auto renamed = snapshot(folder);
    auto form = makeForm();
    form->show();
    const Controls ui(*form);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));

    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
    ASSERT_TRUE(form->UndoGoing());
    // Once some are back, Escape.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QString text = ui.LblProgress->text();
            return text.startsWith("元に戻しています: ") && !text.contains("（0 件を元の名前に）");
        },
        60000))
        << ui.LblProgress->text().toStdString();
    QTest::keyClick(form.get(), Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return log.count("kelvara.app: undo ended") == 1 && !form->UndoGoing(); }, 60000));
    ASSERT_EQ(log.count(", stopped"), 1u) << log.lines().tail();

    // Each file is whole, back under its old name or still under its new.
    std::size_t back = 0;
    for (const auto& [name, content] : snapshot(folder)) {
        if (before.count(name) == 1) {
            ++back;
            EXPECT_EQ(content, before.at(name)) << name;
        } else {
            EXPECT_EQ(content, renamed.at(name)) << name;
        }
    }
    EXPECT_EQ(snapshot(folder).size(), static_cast<std::size_t>(Files));
    EXPECT_GT(back, 0u);
    EXPECT_LT(back, static_cast<std::size_t>(Files)) << "Escape did not stop it";
    EXPECT_EQ(
        ui.LblProgress->text(),
        QString("元に戻すのを中止: %1 件を元の名前に、0 件はそのまま。残りは後で元に戻せます。")
            .arg(back));

    // The history window: the stopped undo, then the run, partly undone.
    emit ui.LblHistory->linkActivated("history");
    THistoryForm* history = form->HistoryWindow();
    ASSERT_NE(history, nullptr);
    ASSERT_EQ(history->Runs()->topLevelItemCount(), 2);
    EXPECT_EQ(history->Runs()->topLevelItem(0)->text(4), "元に戻す（1 番）");
    EXPECT_EQ(history->Runs()->topLevelItem(0)->text(2), QString::number(back));
    EXPECT_EQ(history->Runs()->topLevelItem(1)->text(4), "一部を元に戻した");
    history->Runs()->setCurrentItem(history->Runs()->topLevelItem(1));

    // Ctrl+Z again finishes it.
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return log.count("kelvara.app: undo ended") == 2 && !form->UndoGoing(); }, 60000));
    EXPECT_EQ(snapshot(folder), before) << "every file back under its old name, byte for byte";
    EXPECT_EQ(ui.LblProgress->text(),
              QString("元に戻しました: %1 件を元の名前に、0 件はそのまま。").arg(Files - back));
    // The window reloads and keeps the run chosen, undone now; nothing is
    // left for another undo.
    ASSERT_TRUE(QTest::qWaitFor([&] { return history->Runs()->topLevelItemCount() == 3; }));
    ASSERT_NE(history->Runs()->currentItem(), nullptr);
    EXPECT_EQ(history->Runs()->currentItem()->text(4), "元に戻した");
    EXPECT_FALSE(history->findChild<QPushButton*>("BtnUndoRun")->isEnabled());
    ui.BtnUndo->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.count("kelvara.app: undo: nothing") == 1; }));
}

// The history window over real runs: every path a run was given, its
// renames and kept files, the link that opens the last run, CSV copied and
// saved with names that are no UTF-8, an older run undone from there, and
// older runs forgotten while the files stay as they are.
TEST_F(MainFormTest, TheHistoryWindowShowsCopiesSavesAndForgetsRunsWithTheirOwnNames) {
    const TTranslation japanese({"ja-JP", "ja-Jpan-JP", "ja"});
    const std::string latin1 = "caf\xe9";
    const fs::path trip = temp.path() / "trip";
    const fs::path more = temp.path() / "more";
    const fs::path later = temp.path() / "later";
    copyPhoto("jpg/Canon_40D.jpg", trip, latin1 + ".jpg");
    writeCompanion(trip, latin1 + ".xmp");
    writeFile(trip / "notes.txt", "no photo");
    copyPhoto("jpg/Canon_40D.jpg", trip, "b.jpg");
    copyPhoto("jpg/Canon_40D.jpg", more, "c.jpg");
    copyPhoto("jpg/Canon_40D.jpg", later, "d.jpg");
    const auto originalTrip = snapshot(trip);
    auto form = makeForm();
    form->show();
    const Controls ui(*form);
    ASSERT_TRUE(log.waitFor("kelvara.rename: history opened"));

    // Two paths, the second given while the run goes on: one run.
    form->QueuePath(trip.string());
    form->QueuePath(more.string());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return log.count("kelvara.app: run recorded") == 1; }, 60000));
    EXPECT_EQ(ui.LblProgress->text(), "完了: 3 件リネーム、1 件そのまま（写真ではない 1）");
    form->QueuePath(later.string());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return log.count("kelvara.app: run recorded") == 2; }, 60000));
    ui.BtnUndo->click();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return log.count("kelvara.app: undo ended") == 1 && !form->UndoGoing(); }, 60000));
    EXPECT_EQ(fileNames(later), std::vector<std::string>{"d.jpg"});

    // The link opens the last run, not the undo recorded after it.
    emit ui.LblHistory->linkActivated("history");
    THistoryForm* history = form->HistoryWindow();
    ASSERT_NE(history, nullptr);
    QTreeWidget* runs = history->Runs();
    ASSERT_EQ(runs->topLevelItemCount(), 3);
    EXPECT_EQ(runs->currentItem(), runs->topLevelItem(1));
    EXPECT_EQ(runs->topLevelItem(1)->text(4), "元に戻した");
    ASSERT_EQ(history->Files()->topLevelItemCount(), 1);
    EXPECT_EQ(history->Files()->topLevelItem(0)->text(0), "d.jpg");
    EXPECT_TRUE(history->Files()->topLevelItem(0)->text(1).endsWith("_d.jpg（元に戻した）"));

    // The first run: both paths, its counts, each file once.
    runs->setCurrentItem(runs->topLevelItem(2));
    EXPECT_EQ(runs->topLevelItem(2)->text(1),
              QString::fromStdString(trip.string() + ", " + more.string()));
    EXPECT_EQ(runs->topLevelItem(2)->text(2), "3");
    EXPECT_EQ(runs->topLevelItem(2)->text(3), "1");
    EXPECT_EQ(runs->topLevelItem(2)->text(4), "完了");
    QStringList listed;
    for (int i = 0; i < history->Files()->topLevelItemCount(); ++i)
        listed << history->Files()->topLevelItem(i)->text(0) + " | " +
                      history->Files()->topLevelItem(i)->text(1).section('_', -1);
    listed.sort();
    QStringList expected;
    for (const std::string& name :
         {latin1 + ".jpg", latin1 + ".xmp", std::string("b.jpg"), std::string("c.jpg")})
        expected << PathText(name) + " | " + PathText(name);
    expected << "notes.txt | 写真ではない";
    expected.sort();
    EXPECT_EQ(listed, expected);

    // Copied and saved as CSV with the names' own bytes.
    const QByteArray csv = history->ChosenCsv();
    EXPECT_TRUE(csv.contains(QByteArray::fromStdString(latin1 +
                                                       ".jpg,200805301556_100x68_"
                                                       "CanonEOS40D_" +
                                                       latin1 + ".jpg,renamed")))
        << csv.toStdString();
    EXPECT_TRUE(csv.contains("notes.txt,,kept: not a photo")) << csv.toStdString();
    history->findChild<QPushButton*>("BtnCopyCsv")->click();
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->data("text/csv"), csv);
    EXPECT_TRUE(copied->text().contains("notes.txt,,kept: not a photo"));
    const std::string saved = temp.file("run.csv");
    {
        FileDialogAnswerer answerer(saved);
        history->findChild<QPushButton*>("BtnSaveCsv")->click();
        EXPECT_EQ(answerer.shown, 1);
    }
    EXPECT_EQ(readFile(saved), csv.toStdString());

    // The first run undone from the window, older than the last one undone.
    history->findChild<QPushButton*>("BtnUndoRun")->click();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return log.count("kelvara.app: undo ended") == 2 && !form->UndoGoing(); }, 60000));
    EXPECT_EQ(snapshot(trip), originalTrip);
    EXPECT_EQ(fileNames(more), std::vector<std::string>{"c.jpg"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return runs->topLevelItemCount() == 4; }));
    EXPECT_EQ(runs->currentItem()->text(4), "元に戻した");

    // Forgetting what is older than the second run: the first goes from the
    // list with its undo, and no file moves.
    runs->setCurrentItem(runs->topLevelItem(2));
    EXPECT_EQ(runs->currentItem()->text(1), QString::fromStdString(later.string()));
    history->findChild<QPushButton*>("BtnForgetOlder")->click();
    ASSERT_EQ(runs->topLevelItemCount(), 2);
    EXPECT_EQ(runs->topLevelItem(1)->text(1), QString::fromStdString(later.string()));
    EXPECT_EQ(snapshot(trip), originalTrip);
    EXPECT_EQ(fileNames(later), std::vector<std::string>{"d.jpg"});
}

// While a run goes on the panel counts, in the user's language (English
// here), and what it counts adds up; the summary names each reason.
TEST_F(MainFormTest, ThePanelCountsAsTheRunGoesAndSumsUpInEnglish) {
    const TTranslation english({"en-US", "en-Latn-US", "en"});
    constexpr int Photos = 200;
    const fs::path folder = temp.path() / "card";
    for (int i = 0; i < Photos; ++i)
        copyPhoto("jpg/Canon_40D.jpg", folder, "p" + std::to_string(1000 + i) + ".jpg");
    writeFile(folder / "notes.txt", "no photo");
    copyPhoto("jpg/Canon_40D.jpg", folder, "IMG_200805301556.jpg");
    auto form = makeForm();
    form->show();
    const Controls ui(*form);
    form->QueuePath(folder.string());
    const QRegularExpression progress("^renamed (\\d+), kept (\\d+), (\\d+) waiting$");
    int seen = 0;
    int lastDone = -1;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QRegularExpressionMatch match = progress.match(ui.LblProgress->text());
            if (!match.hasMatch())
                return !form->RunPanel().Run().Going();
            const int done = match.captured(1).toInt() + match.captured(2).toInt();
            const int waiting = match.captured(3).toInt();
            EXPECT_LE(done + waiting, Photos + 2) << ui.LblProgress->text().toStdString();
            EXPECT_GE(done, lastDone) << "counts never go back";
            if (done != lastDone && done > 0 && waiting > 0)
                ++seen;
            lastDone = done;
            return false;
        },
        120000));
    EXPECT_GE(seen, 2) << "the counts were shown going up while the run went on";
    EXPECT_EQ(
        ui.LblProgress->text(),
        QString("Done: renamed %1, kept 2 (name already dated: 1, not a photo: 1)").arg(Photos));
}

// Every reason reads as its own phrase in both languages.
TEST(RunTexts, EachReasonHasItsOwnCaptionInJapaneseAndEnglish) {
    const std::vector<TKeptReason> reasons = {
        TKeptReason::NoDate,        TKeptReason::AlreadyDated, TKeptReason::NotAPhoto,
        TKeptReason::Unreadable,    TKeptReason::NameTaken,    TKeptReason::NameNotPortable,
        TKeptReason::GoneOrChanged, TKeptReason::Cancelled,    TKeptReason::Interrupted,
        TKeptReason::MoveFailed,    TKeptReason::NoLayout,     TKeptReason::Gone,
        TKeptReason::Changed,       TKeptReason::OldNameTaken, TKeptReason::HeldBack};
    QStringList japaneseCaptions;
    {
        const TTranslation japanese({"ja-JP", "ja-Jpan-JP", "ja"});
        for (const TKeptReason reason : reasons)
            japaneseCaptions << KeptReasonCaption(reason);
    }
    const TTranslation english({"en-US", "en-Latn-US", "en"});
    QStringList englishCaptions;
    for (const TKeptReason reason : reasons)
        englishCaptions << KeptReasonCaption(reason);
    for (int i = 0; i < japaneseCaptions.size(); ++i) {
        EXPECT_FALSE(japaneseCaptions[i].isEmpty()) << i;
        EXPECT_NE(englishCaptions[i], japaneseCaptions[i]) << "not translated: " << i;
        for (const QChar c : englishCaptions[i])
            EXPECT_LT(c.unicode(), 0x80) << englishCaptions[i].toStdString();
        EXPECT_EQ(japaneseCaptions.count(japaneseCaptions[i]), 1)
            << japaneseCaptions[i].toStdString();
        EXPECT_EQ(englishCaptions.count(englishCaptions[i]), 1) << englishCaptions[i].toStdString();
    }
}

TEST_F(MainFormTest, AHandOverRestoresAMinimisedWindowBeforeItsPathsArrive) {
    auto form = makeForm();
    form->show();
    form->showMinimized();
    ASSERT_TRUE(form->isMinimized());
    form->Activate("");
    EXPECT_FALSE(form->isMinimized());
    EXPECT_TRUE(form->isVisible());
}

TEST_F(MainFormTest, AFailedSaveIsToldOnceInTheBoxWhateverWasThrown) {
    const std::string ini = unwritableIni();
    const QString file = QString::fromStdString(ini);
    MessageBoxAnswerer answerer;
    TStateSaveReport report(QStringLiteral("Kelvara"));
    const std::vector<std::function<void()>> failures = {
        [&] { throw TIniFileError(file.toStdString()); },
        [] { throw std::out_of_range("component walk"); },
        [] { throw std::overflow_error("value"); }, [] { throw 42; }};
    for (const auto& failure : failures)
        EXPECT_FALSE(report.Save(file, failure));
    ASSERT_EQ(answerer.boxes.size(), failures.size()) << "one box for each failed save";
    for (const auto& box : answerer.boxes) {
        EXPECT_EQ(box.title, "Kelvara");
        EXPECT_EQ(box.text, notSaved(ini));
        EXPECT_EQ(box.icon, QMessageBox::Critical);
    }
    EXPECT_TRUE(report.Save(file, [] {}));
    EXPECT_EQ(answerer.boxes.size(), failures.size());
    // The lines come in order: once this one is in, so is every earlier one.
    ASSERT_TRUE(log.waitFor("kelvara.app: state saved"));
    EXPECT_EQ(log.count("kelvara.app: state not saved"), failures.size());
    EXPECT_EQ(log.count("kelvara.app: " + notSaved(ini).toStdString()), 0u)
        << "nothing on standard error while the user is there to answer";
}

TEST_F(MainFormTest, AnUnattendedEndTellsTheFailedSaveOnStandardErrorAndClosesAnOpenBox) {
    const std::string ini = unwritableIni();
    const QString file = QString::fromStdString(ini);
    const std::string line = "kelvara.app: " + notSaved(ini).toStdString();
    MessageBoxAnswerer answerer;
    {
        TStateSaveReport report(QStringLiteral("Kelvara"));
        report.EndUnattended();
        EXPECT_FALSE(report.Save(file, [] { throw 42; }));
        EXPECT_TRUE(answerer.boxes.empty()) << "no box that nobody would answer";
        EXPECT_TRUE(log.waitFor(line));
    }
    {
        // The box is up, unanswered, when a signal comes: it closes, and the
        // line is written all the same.
        TStateSaveReport report(QStringLiteral("Kelvara"));
        answerer.onShown = [&](QMessageBox&) { report.EndUnattended(); };
        EXPECT_FALSE(report.Save(file, [&] { throw TIniFileError(file.toStdString()); }));
        EXPECT_EQ(answerer.boxes.size(), 1u);
        EXPECT_TRUE(log.waitFor(line, 2));
    }
}

TEST_F(MainFormTest, TheWindowTellsAFailedSaveInTheBoxOrWhenEndedUnattendedOnStandardError) {
    const std::string ini = unwritableIni();
    MessageBoxAnswerer answerer;
    {
        auto form = makeForm({}, ini);
        form->show();
    } // closed by the user: the box
    ASSERT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(answerer.boxes[0].title, "Kelvara");
    EXPECT_EQ(answerer.boxes[0].text, notSaved(ini));
    {
        auto form = makeForm({}, ini);
        form->show();
        form->EndUnattended();
    } // ended by a signal: the line
    EXPECT_EQ(answerer.boxes.size(), 1u);
    EXPECT_TRUE(log.waitFor("kelvara.app: " + notSaved(ini).toStdString()));
    EXPECT_EQ(log.count("kelvara.app: state not saved"), 2u);
}
