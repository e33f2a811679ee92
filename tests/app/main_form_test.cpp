// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on the offscreen platform: its design, the naming options
// it gives the rename step, the intake of drops and arguments, and its state.

#include "app/MainForm.h"
#include "app/StateSaveReport.h"
#include "app/Translation.h"
#include "info/InfoLinks.h"
#include "photo/PhotoMetadataLibrary.h"
#include "search/FindFileThread.h"
#include "state/FormState.h"
#include "state/IniFile.h"
#include "support/LogCapture.h"
#include "support/MessageBoxAnswerer.h"
#include "support/QtApp.h"
#include "support/TempDir.h"
#include "ui/VersionInfo.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
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
          RdoDSF(Find<QRadioButton>(form, "RdoDSF")), RdoDSMF(Find<QRadioButton>(form, "RdoDSMF")) {
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

    static void drop(TMainForm& form, QMimeData* data) {
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &enter);
        if (!enter.isAccepted())
            return;
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &event);
    }
};

} // namespace

TEST_F(MainFormTest, TheDesignHasItsComponentsInCreationOrderWithTheirTexts) {
    // The captions as written, whatever language this machine speaks.
    const TTranslation japanese({"ja-JP", "ja-Jpan-JP", "ja"});
    auto form = makeForm();
    std::vector<std::string> names;
    for (QObject* component : FormComponents(form.get()))
        names.push_back(component->objectName().toStdString());
    EXPECT_EQ(names, (std::vector<std::string>{
                         "Panel1", "Label2", "Label3", "Label4", "RdoYMD", "RdoYMDHN", "RdoYMDHNS",
                         "Panel2", "LblDateModelFile", "LblDateSizeFile", "LblDateSizeModelFile",
                         "LblDateFile", "RdoDMF", "RdoDSF", "RdoDSMF", "RdoDF", "Panel3", "Label1",
                         "Button1"}));
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
    const QSize design(451, 323);
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
            ASSERT_EQ(panels.size(), 3);
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
        [&] { throw TIniFileError(file); }, [] { throw std::out_of_range("component walk"); },
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
        EXPECT_FALSE(report.Save(file, [&] { throw TIniFileError(file); }));
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
