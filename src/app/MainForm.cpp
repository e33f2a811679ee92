// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainForm.h"

#include "app/EscapeKeyWatcher.h"
#include "app/HistoryForm.h"
#include "app/Log.h"
#include "app/RadioGroupStop.h"
#include "app/RunPace.h"
#include "app/RunPanel.h"
#include "app/RunTexts.h"
#include "app/StateSaveReport.h"
#include "app/TextFit.h"
#include "app/TimerThread.h"
#include "app/UndoTask.h"
#include "base/Contained.h"
#include "base/PathName.h"
#include "base/qt/QtLog.h"
#include "desktop/Installation.h"
#include "desktop/LauncherProgress.h"
#include "history/HistoryLocation.h"
#include "info/InfoForm.h"
#include "instance/HandoffReceiver.h"
#include "instance/InstanceLock.h"
#include "platform/EscapeKey.h"
#include "platform/FullPath.h"
#include "rename/HistoryWriter.h"
#include "rename/RenameStep.h"
#include "search/FindFileThread.h"
#include "state/FormState.h"
#include "state/StateFileLocation.h"
#include "thread/qt/QtMainThreadCall.h"
#include "ui/Hint.h"
#include "ui/ProgramIcon.h"
#include "ui/VersionInfo.h"
#include "ui_MainForm.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMimeData>
#include <QPalette>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <exception>
#include <utility>

namespace kelvara {

TMainForm* MainForm = nullptr;

namespace {

constexpr int DesignLeft = 191;
constexpr int DesignTop = 105;
// Between the window's edge and its panels.
constexpr int Border = 5;

// Only local files and folders are taken; a drop of anything else (text, a
// web address) is refused as a whole.
bool LocalFilesOnly(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().isEmpty())
        return false;
    for (const QUrl& url : data->urls())
        if (!url.isLocalFile())
            return false;
    return true;
}

} // namespace

TMainForm::TMainForm(std::vector<std::string> arguments, QString iniFile,
                     TInstanceLock* instanceLock, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::MainForm>()), m_arguments(std::move(arguments)),
      m_stateFiles(iniFile.isEmpty() && !m_arguments.empty() ? StateFilesFor(m_arguments[0])
                                                             : TStateFiles{iniFile, iniFile}) {
    m_ui->setupUi(this);
    setWindowIcon(ProgramIcon());
    // The Japanese gothic face at 13 pixels for every control, on white.
    QFont font(QStringLiteral("IPAGothic"));
    font.setPixelSize(13);
    font.setStyleHint(QFont::TypeWriter);
    setFont(font);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
    setAutoFillBackground(true);
    setAcceptDrops(true);
    // The fixed examples of the date precisions: "ex)" in the user's
    // language, the date digits as they are.
    for (const auto& [example, precision] :
         {std::pair{m_ui->Label2, m_ui->RdoYMD}, std::pair{m_ui->Label3, m_ui->RdoYMDHN},
          std::pair{m_ui->Label4, m_ui->RdoYMDHNS}})
        //: An example under a date precision; %1 is the date's digits.
        example->setText(tr("ex)%1").arg(HintOf(precision)));
    // uic sizes a top-level form but does not place it; the design does.
    move(DesignLeft, DesignTop);
    // The window is sized by its panels, which fit the captions in the
    // user's language, in this face, with the design's size as the least;
    // the user does not resize it, and a size in the state file cannot
    // change it.
    setFixedSize(FitToTexts(this, Border));
    // Not a child of the form: the state file walks the form's children.
    m_escapeWatcher = std::make_unique<TEscapeKeyWatcher>();
    m_saveReport = std::make_unique<TStateSaveReport>(
        ApplicationTitle(PathText(m_arguments.empty() ? std::string() : m_arguments[0])));
    for (QRadioButton* button : {m_ui->RdoYMD, m_ui->RdoYMDHN, m_ui->RdoYMDHNS})
        connect(button, &QRadioButton::clicked, this, [this] { RdoYMDHNSClick(); });
    connect(m_ui->Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    MakeOneTabStop({m_ui->RdoYMD, m_ui->RdoYMDHN, m_ui->RdoYMDHNS});
    MakeOneTabStop({m_ui->RdoDF, m_ui->RdoDMF, m_ui->RdoDSF, m_ui->RdoDSMF});
    connect(m_ui->BtnUndo, &QPushButton::clicked, this, [this] { BtnUndoClick(); });
    connect(m_ui->LblHistory, &QLabel::linkActivated, this, [this] { LblHistoryClick(); });
    MainForm = this;
    if (instanceLock != nullptr) {
        try {
            FHandoffWnd = std::make_unique<THandoffReceiver>(*instanceLock, *this);
        } catch (...) {
            // No endpoint (no private runtime folder, a full one, a socket
            // name that cannot be had): this copy still works, later copies
            // just cannot reach it. Holding the lock, it would keep them
            // waiting for an answer that never comes; without it, each runs
            // on its own and renames what it was given. They open windows of
            // their own, so the user is told why, once.
            instanceLock->Release();
            const std::string why = ThrownText(std::current_exception());
            LogDebug(lcApp).NoQuote() << "no handoff endpoint:" << why;
            LogWarning(lcApp).NoQuote()
                << "later launches cannot hand their files to this copy:" << why;
        }
    }
    FormCreate();
}

TMainForm::~TMainForm() {
    // No later copy may hand paths to a window that is going: they would be
    // cancelled with the rest. With the endpoint gone and the lock still
    // held, such a copy waits and takes over once this process has ended.
    FHandoffWnd.reset();
    FormDestroy();
    if (MainForm == this)
        MainForm = nullptr;
}

void TMainForm::FormCreate() {
    SetVersionCaption(this);
    LoadFormState(m_stateFiles.load, this);
    FPendingFiles.emplace();
    UpdateDatePattern();
    m_escape = CreateEscapeKey();
    // The history opens on a thread of its own (settling what a killed copy
    // left open); nothing here waits for it.
    const std::string historyFile =
        m_arguments.empty()
            ? std::string()
            : HistoryFileFor(m_arguments[0], QFile::encodeName(m_stateFiles.save).toStdString());
    m_history = std::make_unique<THistoryWriter>(
        historyFile, historyFile.empty() ? "no home folder for the history" : "");
    m_runPanel = std::make_unique<TRunPanel>(m_ui->LblProgress, *FindFileThread,
                                             CreateLauncherProgress(ApplicationId() + ".desktop"));
    m_runPanel->SetHistory(m_history.get());
    m_step = std::make_unique<TRenameStep>(*FindFileThread, *FPendingFiles, *this, *m_escape);
    m_step->SetObserver(m_runPanel.get());
    m_step->SetHistory(m_history.get());
    m_pace = std::make_unique<TRunPace>(*FindFileThread, *m_step, m_history.get(), *this);
    connect(m_runPanel.get(), &TRunPanel::RunStarted, this, [this] {
        Contained(lcApp, "run's pace not chosen", [this] {
            m_pace->RunStarting([this] { m_runPanel->AddSummaryNote(RunAtDefaultPaceText()); });
        });
    });
    connect(m_runPanel.get(), &TRunPanel::RunEnded, this, [this] {
        Contained(lcApp, "run's figures not given", [this] {
            m_pace->RunEnded(m_runPanel->Run().Renamed() + m_runPanel->Run().Kept());
        });
    });
    connect(m_runPanel.get(), &TRunPanel::RunStarted, this, [this] { UpdateUndoButton(); });
    connect(m_runPanel.get(), &TRunPanel::RunRecorded, this, [this] { UpdateUndoButton(); });
    // Not a child of the form: the state file walks the form's children.
    m_undoTimer = std::make_unique<QTimer>();
    m_undoTimer->setInterval(TRunPanel::RefreshMilliseconds / 5);
    connect(m_undoTimer.get(), &QTimer::timeout, this,
            [this] { Contained(lcApp, "undo not watched", [this] { UndoTick(); }); });
    m_history->AfterWritten([self = QPointer<TMainForm>(this)] {
        QMetaObject::invokeMethod(
            self,
            [self] {
                if (TMainForm* form = self.data())
                    form->UpdateUndoButton();
            },
            Qt::QueuedConnection);
    });
    m_mainThread = std::make_unique<TQtMainThreadCall>();
    FTimerThread = std::make_unique<TTimerThread>(
        *m_mainThread,
        [this] {
            // Nothing may go back to the pacing thread.
            Contained(lcApp, "step failed", [this] {
                if (m_pace)
                    m_pace->Step();
            });
        },
        *FindFileThread,
        [this] {
            if (m_step)
                m_step->DropEscapeSeenWhileIdle();
        },
        [this](std::chrono::steady_clock::time_point due) { m_pace->Pause(due); });
    // Not as the state file had it: as things stand now.
    UpdateUndoButton();
    FindFileThread->Resume();
}

void TMainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TMainForm::FormShow() {
    if (m_arguments.size() > 1)
        Contained(lcApp, "arguments not queued", [&] {
            QueuePaths({m_arguments.begin() + 1, m_arguments.end()});
        });
    // Tests wait for this line: the program is up, its arguments are queued
    // and, for the running copy, the handoff endpoint listens.
    LogDebug(lcApp) << "main window shown";
}

void TMainForm::FormDestroy() {
    // The last step may run while we wait here: the pending list, the radio
    // buttons and the pattern are all still in place.
    FTimerThread.reset();
    m_mainThread.reset();
    // Nothing may keep the state from being saved, nor end the program in
    // this destructor.
    Contained(lcApp, "search not cancelled", [] { FindFileThread->Cancel(); });
    // An undo stops at its next photo: what is back stays back.
    m_undo.reset();
    // The readers write renames ahead through the step: they go first.
    m_pace.reset();
    m_step.reset();
    m_runPanel.reset();
    // What the history was handed is written before the program ends.
    m_history.reset();
    FPendingFiles.reset();
    // Tests count the lines "state saved" and "state not saved" (written just
    // before the one error box, or the one line on standard error).
    m_saveReport->Save(m_stateFiles.save, [this] {
        PrepareStateFolder(m_stateFiles.save);
        SaveFormState(m_stateFiles.save, this);
    });
}

void TMainForm::EndUnattended() {
    m_saveReport->EndUnattended();
    QCoreApplication::quit();
}

void TMainForm::RdoYMDHNSClick() {
    Contained(lcApp, "date precision not applied", [this] { UpdateDatePattern(); });
}

void TMainForm::BtnUndoClick() {
    Contained(lcApp, "undo not started", [this] { Undo(); });
}

void TMainForm::LblHistoryClick() {
    Contained(lcApp, "history window failed", [this] { ShowHistory(); });
}

bool TMainForm::UndoGoing() const {
    return m_undo != nullptr && m_undo->Going();
}

bool TMainForm::Undo(std::optional<std::int64_t> run) {
    // Not over a run going on (Escape first), nor twice at once. Without a
    // history the undo ends at once and says why.
    if (!m_history || m_runPanel->Run().Going() || UndoGoing())
        return false;
    m_undo.reset();
    m_undo = std::make_unique<TUndoTask>(*m_history, run);
    connect(m_undo.get(), &TUndoTask::Ended, this,
            [this] { Contained(lcApp, "undo not ended", [this] { UndoEnded(); }); });
    // An Escape pressed before the undo began must not stop it.
    m_escape->Pressed();
    m_undoTimer->start();
    UndoTick();
    UpdateUndoButton();
    LogDebug(lcApp) << "undo started";
    return true;
}

void TMainForm::UndoTick() {
    if (!UndoGoing())
        return;
    // No steps run while nothing is queued, so the undo watches the key
    // itself.
    if (m_escape->Pressed())
        m_undo->Stop();
    const TUndoProgress progress = m_undo->Progress();
    m_runPanel->ShowOther(UndoProgressText(progress), true,
                          progress.total == 0 ? 0.0
                                              : static_cast<double>(progress.done) /
                                                    static_cast<double>(progress.total));
}

void TMainForm::UndoEnded() {
    m_undoTimer->stop();
    if (!m_undo)
        return;
    QString text;
    if (const auto failure = m_undo->Failure())
        text = UndoFailedText(*failure);
    else if (const auto report = m_undo->Report())
        text = UndoSummaryText(*report);
    else
        text = NothingToUndoText();
    m_runPanel->ShowOther(text, false, 0);
    UpdateUndoButton();
    emit UndoFinished();
}

THistoryForm* TMainForm::HistoryWindow() const {
    return m_historyForm;
}

void TMainForm::ShowHistory() {
    if (!m_history)
        return;
    if (m_historyForm == nullptr) {
        // The last run chosen: the link stands beside its summary.
        m_historyForm = new THistoryForm(*m_history, m_history->LastRun(), this);
        m_historyForm->setWindowFlag(Qt::Window);
        m_historyForm->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_historyForm, &THistoryForm::UndoRequested, this,
                [this](TRunId run) { Contained(lcApp, "undo not started", [&] { Undo(run); }); });
        const auto reload = [this] {
            if (m_historyForm != nullptr)
                Contained(lcApp, "history not reloaded", [this] { m_historyForm->Reload(); });
        };
        connect(this, &TMainForm::UndoFinished, m_historyForm, reload);
        connect(m_runPanel.get(), &TRunPanel::RunRecorded, m_historyForm, reload);
    }
    m_historyForm->show();
    m_historyForm->raise();
    m_historyForm->activateWindow();
}

void TMainForm::UpdateUndoButton() {
    // Offered whenever nothing goes on, also before the history is open (an
    // undo waits for it), so that the window looks the same at every start.
    const bool offered = m_history && !m_runPanel->Run().Going() && !UndoGoing();
    m_ui->BtnUndo->setEnabled(offered);
}

void TMainForm::Button1Click() {
    Contained(lcApp, "information window failed", [] { ShowInfoForm(); });
}

void TMainForm::UpdateDatePattern() {
    const QRadioButton* example = m_ui->RdoYMDHN;
    FDatePattern = DatePatternMinute;
    if (m_ui->RdoYMD->isChecked()) {
        FDatePattern = DatePatternDay;
        example = m_ui->RdoYMD;
    } else if (m_ui->RdoYMDHN->isChecked()) {
        FDatePattern = DatePatternMinute;
    } else if (m_ui->RdoYMDHNS->isChecked()) {
        FDatePattern = DatePatternSecond;
        example = m_ui->RdoYMDHNS;
    }
    const QString date = HintOf(example);
    for (QLabel* label : {m_ui->LblDateFile, m_ui->LblDateSizeFile, m_ui->LblDateModelFile,
                          m_ui->LblDateSizeModelFile}) {
        label->setText(date + HintOf(label));
        // Labels grow with their text, as wide as it needs.
        label->resize(label->sizeHint().width(),
                      std::max(label->height(), label->sizeHint().height()));
    }
}

TNameLayout TMainForm::Layout() const {
    if (m_ui->RdoDF->isChecked())
        return TNameLayout::DateFile;
    if (m_ui->RdoDMF->isChecked())
        return TNameLayout::DateModelFile;
    if (m_ui->RdoDSF->isChecked())
        return TNameLayout::DateSizeFile;
    if (m_ui->RdoDSMF->isChecked())
        return TNameLayout::DateSizeModelFile;
    return TNameLayout::None;
}

void TMainForm::RenameNextFile() {
    // The step contains every failure of its own: nothing goes back to the
    // pacing thread.
    if (m_step)
        m_step->RenameNextFile();
}

bool TMainForm::FastRuns() const {
    return m_ui->ChkFast->isChecked();
}

bool TMainForm::VideosToo() const {
    return m_ui->ChkVideos->isChecked();
}

void TMainForm::QueuePath(const std::string& path) {
    QueuePaths({path});
}

void TMainForm::QueuePaths(const std::vector<std::string>& paths) {
    std::vector<std::string> full;
    full.reserve(paths.size());
    for (const std::string& path : paths)
        full.push_back(FullPathName(path));
    // The run begins before its first file is queued: the reader writes
    // its renames ahead under it.
    if (m_runPanel)
        for (const std::string& path : full)
            m_runPanel->PathQueued(path);
    FindFileThread->AddPaths(full);
    if (m_runPanel)
        m_runPanel->ShowProgress();
}

void TMainForm::Activate(const std::string& activationToken) {
    // Window managers let a window take the focus on the strength of the
    // token its launcher was given; Qt reads it from the environment.
    if (!activationToken.empty()) {
        const QByteArray token = QByteArray::fromStdString(activationToken);
        qputenv(QGuiApplication::platformName() == QLatin1String("wayland") ? "XDG_ACTIVATION_TOKEN"
                                                                            : "DESKTOP_STARTUP_ID",
                token);
    }
    Contained(lcApp, "window not brought forward", [this] {
        if (isMinimized())
            setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        show();
        raise();
        activateWindow();
    });
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
    // Ctrl+Z undoes the last run, as the button does. (A key handler, not a
    // shortcut object: the state file walks every child of the window.)
    if (event->matches(QKeySequence::Undo)) {
        event->accept();
        BtnUndoClick();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (LocalFilesOnly(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TMainForm::dropEvent(QDropEvent* event) {
    if (!LocalFilesOnly(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    Contained(lcApp, "dropped paths not queued", [&] {
        std::vector<std::string> paths;
        for (const QUrl& url : event->mimeData()->urls())
            paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
        QueuePaths(paths);
    });
}

} // namespace kelvara
