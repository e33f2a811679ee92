#include "app/MainForm.h"

#include "app/EscapeKeyWatcher.h"
#include "app/Log.h"
#include "app/TimerThread.h"
#include "info/InfoForm.h"
#include "info/InfoLinks.h"
#include "info/VersionInfo.h"
#include "instance/HandoffReceiver.h"
#include "platform/EscapeKey.h"
#include "platform/FullPath.h"
#include "rename/RenameStep.h"
#include "search/FindFileThread.h"
#include "state/FormState.h"
#include "state/IniFile.h"
#include "thread/QtMainThreadCall.h"
#include "ui_MainForm.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QPalette>
#include <QUrl>
#include <algorithm>
#include <system_error>

namespace kelvara {

TMainForm* MainForm = nullptr;

namespace {

constexpr int DesignLeft = 191;
constexpr int DesignTop = 105;

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
                     const TInstanceLock* instanceLock, QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::MainForm>()), m_arguments(std::move(arguments)),
      m_iniFile(iniFile.isEmpty() && !m_arguments.empty() ? StateFileFor(m_arguments[0])
                                                          : std::move(iniFile)) {
    m_ui->setupUi(this);
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
    // Text below the baseline (the underscores of the examples) must not be
    // clipped by a control sized for another face's metrics.
    for (QWidget* control : findChildren<QWidget*>()) {
        if (qobject_cast<QLabel*>(control) || qobject_cast<QRadioButton*>(control))
            control->resize(control->width(),
                            std::max(control->height(), control->sizeHint().height()));
    }
    // uic sizes a top-level form but does not place it; the design does.
    move(DesignLeft, DesignTop);
    // The window is sized by its panels; the user does not resize it.
    setFixedSize(size());
    // Not a child of the form: the state file walks the form's children.
    m_escapeWatcher = std::make_unique<TEscapeKeyWatcher>();
    for (QRadioButton* button : {m_ui->RdoYMD, m_ui->RdoYMDHN, m_ui->RdoYMDHNS})
        connect(button, &QRadioButton::clicked, this, [this] { RdoYMDHNSClick(); });
    connect(m_ui->Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    MainForm = this;
    if (instanceLock != nullptr) {
        try {
            FHandoffWnd = std::make_unique<THandoffReceiver>(*instanceLock, *this);
        } catch (const std::system_error&) {
            // No endpoint (a full runtime folder, say): this copy still works,
            // later copies just cannot reach it.
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

QString TMainForm::StateFileFor(const std::string& executablePath) {
    const QFileInfo exe(QFile::decodeName(QByteArray::fromStdString(executablePath)));
    const QString name = exe.fileName();
    const int dot = name.lastIndexOf('.');
    return exe.absolutePath() + '/' + (dot > 0 ? name.left(dot) : name) + ".ini";
}

void TMainForm::FormCreate() {
    SetVersionCaption(this);
    LoadFormState(m_iniFile, this);
    FPendingFiles.emplace();
    UpdateDatePattern();
    m_escape = CreateEscapeKey();
    m_step = std::make_unique<TRenameStep>(*FindFileThread, *FPendingFiles, *this, *m_escape);
    m_mainThread = std::make_unique<TQtMainThreadCall>();
    FTimerThread = std::make_unique<TTimerThread>(*m_mainThread, [this] { RenameNextFile(); });
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
    for (std::size_t i = 1; i < m_arguments.size(); ++i)
        QueuePath(m_arguments[i]);
    // Tests wait for this line: the program is up, its arguments are queued
    // and, for the running copy, the handoff endpoint listens.
    qCDebug(lcApp) << "main window shown";
}

void TMainForm::FormDestroy() {
    // The last step may run while we wait here: the pending list, the radio
    // buttons and the pattern are all still in place.
    FTimerThread.reset();
    m_mainThread.reset();
    FindFileThread->Cancel();
    m_step.reset();
    FPendingFiles.reset();
    // Tests count these two lines: "state saved", or "state not saved" just
    // before the one error box.
    try {
        SaveFormState(m_iniFile, this);
        qCDebug(lcApp) << "state saved";
    } catch (const EIniFileError& error) {
        qCDebug(lcApp) << "state not saved:" << error.what();
        const std::string exe = m_arguments.empty() ? std::string() : m_arguments[0];
        QMessageBox::critical(nullptr,
                              ApplicationTitle(QFile::decodeName(QByteArray::fromStdString(exe))),
                              QString::fromUtf8(error.what()) + '.');
    }
}

void TMainForm::RdoYMDHNSClick() {
    UpdateDatePattern();
}

void TMainForm::Button1Click() {
    ShowInfoForm();
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
    if (m_step)
        m_step->RenameNextFile();
}

void TMainForm::QueuePath(const std::string& path) {
    FindFileThread->AddPath(FullPathName(path));
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
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
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
    for (const QUrl& url : event->mimeData()->urls())
        QueuePath(QFile::encodeName(url.toLocalFile()).toStdString());
}

} // namespace kelvara
