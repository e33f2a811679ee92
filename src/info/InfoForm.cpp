// SPDX-License-Identifier: GPL-3.0-or-later
#include "info/InfoForm.h"

#include "base/Contained.h"
#include "info/DisplayFormat.h"
#include "info/InfoLinks.h"
#include "info/Log.h"
#include "info/Maker.h"
#include "platform/OSVersion.h"
#include "platform/ProcessStats.h"
#include "state/FrameGeometry.h"
#include "ui/ProgramIcon.h"
#include "ui/VersionBlock.h"
#include "ui/VersionInfo.h"
#include "ui_InfoForm.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <exception>
#include <limits>

namespace kelvara {

namespace {

constexpr int RefreshInterval = 500; // milliseconds
// The panel keeps this much white round its labels, and the window this
// much of its own black round the panel.
constexpr int PanelMargin = 10;
constexpr int FrameWidth = 8;

QString KiloBytes(std::uint64_t bytes) {
    constexpr auto most = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    return FormatByteSize(bsKiloBytes, static_cast<std::int64_t>(std::min(bytes, most)));
}

QString Count(std::uint64_t count) {
    constexpr auto most = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    return FormatByteSize(bsCount, static_cast<std::int64_t>(std::min(count, most)));
}

QString Duration(std::int64_t seconds) {
    constexpr std::int64_t most = std::numeric_limits<std::int32_t>::max();
    return FormatDuration(static_cast<std::int32_t>(std::clamp<std::int64_t>(seconds, 0, most)));
}

// A figure the system will not give shows as zero, as if its record had
// stayed empty; the window says nothing about it.
template <typename Record, typename Read> Record ReadOrZero(Read read) {
    try {
        return read();
    } catch (...) {
        NoteContained(lcInfo, "statistics shown as zero", std::current_exception());
        return Record{};
    }
}

// The program's description in the user's language: the catalogs carry the
// shipped description (marked where the version block is written); any
// other text is shown as it stands.
QString DescriptionLine(const QString& description) {
    return QCoreApplication::translate(VersionStringsContext, description.toUtf8().constData());
}

} // namespace

TInfoForm::TInfoForm(QWidget* parent, const QString& executablePath)
    : QDialog(parent), m_ui(std::make_unique<Ui::InfoForm>()), Timer1(nullptr),
      m_executablePath(executablePath) {
    m_ui->setupUi(this);
    setWindowIcon(ProgramIcon());
    // The maker's addresses and handle: set here, before FormCreate sizes
    // the labels to their text.
    m_ui->lblURL->setText(QString::fromUtf8(MakerWebPage));
    m_ui->lblMail->setText(QString::fromUtf8(MakerMailAddress));
    m_ui->Label1->setText(QString::fromUtf8(MakerHandle));
    m_ui->Label1->setProperty(HintProperty, QString::fromUtf8(MakerHandleSearch));
    // A fixed border with only the close box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    SkipEraseBackground();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(RefreshInterval);
    // A coarse timer may fire up to 5 % early; the pause after a refresh is
    // meant to be the full half second.
    Timer1->setTimerType(Qt::PreciseTimer);
    // One shot at a time: Timer1Timer starts the next only when its refresh
    // is done.
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &TInfoForm::Timer1Timer);
    Timer1->start();

    connect(m_ui->LblExeName, &TClickLabel::Click, this, &TInfoForm::LblExeNameClick);
    connect(m_ui->lblURL, &TClickLabel::Click, this, &TInfoForm::lblURLClick);
    connect(m_ui->Label1, &TClickLabel::Click, this, &TInfoForm::Label1Click);
    connect(m_ui->lblMail, &TClickLabel::Click, this, &TInfoForm::lblMailClick);
    for (TClickLabel* create :
         {m_ui->LblLaunchOnStartup, m_ui->LblLaunchOnDesktop, m_ui->LblLaunchOnSendTo})
        connect(create, &TClickLabel::Click, this, &TInfoForm::LblLaunchOnStartupClick);
    for (TClickLabel* open : {m_ui->LblOpenStartup, m_ui->LblOpenFolderIn, m_ui->LblOpenSendTo})
        connect(open, &TClickLabel::Click, this, &TInfoForm::LblOpenStartupClick);

    FormCreate();
}

TInfoForm::~TInfoForm() = default;

void TInfoForm::FormCreate() {
    setWindowTitle(VersionCaption(m_executablePath, objectName()));
    m_ui->LblFileDescription->setText(DescriptionLine(
        GetVersionInfoValue(VersionInfoKey(TVersionInfoKey::FileDescription), m_executablePath)));
    m_ui->LblExeName->setText(QFileInfo(m_executablePath).fileName());
    // The application's icon; the program's own where the application has
    // none (a window made without the program's entry).
    const QIcon icon =
        QApplication::windowIcon().isNull() ? ProgramIcon() : QApplication::windowIcon();
    m_ui->AppIcon->setPixmap(icon.pixmap(m_ui->AppIcon->size()));
    UpdateStatus();
    m_ui->LblOsVersion->setText(OsVersionLine(QString::fromStdString(GetOSVersionText())));
    m_ui->LblExeVersion->setText(
        QStringLiteral("Ver.") +
        GetVersionInfoValue(VersionInfoKey(TVersionInfoKey::FileVersion), m_executablePath));
    m_ui->LblEnvironment->setText(
        GetVersionInfoValue(VersionInfoKey(TVersionInfoKey::DeveropEnvironment), m_executablePath));
    m_ui->LblThanks->setText(
        GetVersionInfoValue(VersionInfoKey(TVersionInfoKey::Thanks), m_executablePath));
    m_autoSize = true;
    AdjustSizes();
    CenterInWorkArea(this);
}

void TInfoForm::FormShow() {
    // Every key pressed in this window, in whichever control, reaches
    // FormKeyDown first; watched at the application so that a control that
    // handles keys of its own cannot keep one back.
    qApp->installEventFilter(this);
}

void TInfoForm::FormKeyDown(int /*key*/, Qt::KeyboardModifiers /*shift*/) {
    close();
}

void TInfoForm::FormPaint() {
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::black);
    // The window's own coordinates: a rectangle at its screen position would
    // miss the window wherever it does not stand at the screen's corner.
    painter.drawRect(QRect(QPoint(0, 0), size()).adjusted(0, 0, -1, -1));
}

void TInfoForm::SkipEraseBackground() {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

void TInfoForm::UpdateStatus() {
    const auto memory = ReadOrZero<TMemoryStatus>(ReadMemoryStatus);
    m_ui->LblPhys->setText(tr("Free Physical Memory:%1; Total:%2")
                               .arg(KiloBytes(memory.availPhys), KiloBytes(memory.totalPhys)));
    m_ui->LblPageFile->setText(
        tr("Free Paging File:%1; Total:%2")
            .arg(KiloBytes(memory.availPageFile), KiloBytes(memory.totalPageFile)));
    m_ui->LblVirtual->setText(
        tr("Free Virtual Memory:%1; Total:%2")
            .arg(KiloBytes(memory.availVirtual), KiloBytes(memory.totalVirtual)));

    const auto counters = ReadOrZero<TProcessMemoryCounters>(ReadProcessMemoryCounters);
    m_ui->LblWorkingSetSize->setText(
        tr("Memory Usage:%1; Peak:%2")
            .arg(KiloBytes(counters.workingSetSize), KiloBytes(counters.peakWorkingSetSize)));
    m_ui->LblPageFaultCount->setText(tr("Page Fault:%1").arg(Count(counters.pageFaultCount)));
    m_ui->LblPagefileUsage->setText(
        tr("Pagefile Usage:%1; Peak:%2")
            .arg(KiloBytes(counters.pagefileUsage), KiloBytes(counters.peakPagefileUsage)));
    m_ui->LblPagedPoolUsage->setText(
        tr("Paged Pool Usage:%1; Peak:%2")
            .arg(KiloBytes(counters.pagedPoolUsage), KiloBytes(counters.peakPagedPoolUsage)));
    m_ui->LblNonPagedPoolUsage->setText(
        tr("NonPaged Pool Usage:%1; Peak:%2")
            .arg(KiloBytes(counters.nonPagedPoolUsage), KiloBytes(counters.peakNonPagedPoolUsage)));

    const auto times = ReadOrZero<TProcessTimes>(ReadProcessTimes);
    m_ui->LblProcessTime->setText(tr("Kernel:%1; User:%2; Process:%3")
                                      .arg(Duration(times.kernelSeconds),
                                           Duration(times.userSeconds),
                                           Duration(times.elapsedSeconds)));
    AdjustSizes();
}

void TInfoForm::Timer1Timer() {
    // A refresh that fails shows the last figures; the next tick tries again.
    Contained(lcInfo, "statistics not refreshed", [this] { UpdateStatus(); });
    Timer1->start();
}

void TInfoForm::paintEvent(QPaintEvent* /*event*/) {
    FormPaint();
}

void TInfoForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TInfoForm::hideEvent(QHideEvent* event) {
    qApp->removeEventFilter(this);
    QDialog::hideEvent(event);
}

bool TInfoForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        const auto* key = static_cast<QKeyEvent*>(event);
        FormKeyDown(key->key(), key->modifiers());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TInfoForm::AdjustSizes() {
    if (!m_autoSize)
        return;
    QRect contents;
    const auto components = m_ui->PnlBack->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* component : components) {
        if (component != m_ui->AppIcon)
            component->adjustSize();
        if (!component->isHidden())
            contents |= component->geometry();
    }
    // The panel keeps its margin: everything moves so that the top-left of
    // what it holds stands at the margin.
    const QPoint shift = QPoint(PanelMargin, PanelMargin) - contents.topLeft();
    if (!shift.isNull()) {
        for (QWidget* component : components)
            component->move(component->pos() + shift);
    }
    m_ui->PnlBack->setGeometry(FrameWidth, FrameWidth, contents.width() + 2 * PanelMargin,
                               contents.height() + 2 * PanelMargin);
    setFixedSize(m_ui->PnlBack->width() + 2 * FrameWidth, m_ui->PnlBack->height() + 2 * FrameWidth);
}

void ShowInfoForm() {
    {
        // Owned here, so it goes when the modal loop ends, however it ends.
        TInfoForm form(QApplication::activeWindow());
        form.exec();
    }
    // Tests wait for this line: the window has closed and is gone.
    LogDebug(lcInfo) << "information window closed";
}

QPoint CenteredPosition(const QRect& workArea, const QSize& frameSize) {
    return {workArea.left() + (workArea.width() - frameSize.width()) / 2,
            workArea.top() + (workArea.height() - frameSize.height()) / 2};
}

void CenterInWorkArea(QWidget* form) {
    const QScreen* screen = form->screen();
    if (screen == nullptr)
        return;
    form->move(CenteredPosition(screen->availableGeometry(), FrameRect(form).size()));
}

QString OsVersionLine(const QString& description) {
    const QString microsoft = QStringLiteral("Microsoft ");
    QString line = description;
    const qsizetype at = line.indexOf(microsoft, 0, Qt::CaseSensitive);
    if (at >= 0)
        line.remove(at, microsoft.size());
    return line;
}

} // namespace kelvara
