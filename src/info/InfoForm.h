// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The information window: the program's about box and a small monitor of
// the machine's memory and this process's memory and times.
//
// It shows the program's icon, executable name and the version strings of
// the executable's version block, the operating system, and nine lines of
// statistics that refresh twice a second; below the version strings sit the
// links to the maker and to the shortcut helpers. Any key closes it,
// whichever control has the focus. It is opened modally through
// ShowInfoForm, made afresh each time and destroyed when it closes.
//
// The design is InfoForm.ui, beside this header: the components sit on the panel
// PnlBack in creation order. Labels size themselves to their text, the panel
// to its labels (a 10-pixel margin inside), and the window to the panel,
// leaving 8 pixels all round in which the window's own black shows as a
// frame.

#include <QCoreApplication>
#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <memory>

class QTimer;

namespace Ui {
class InfoForm;
}

namespace kelvara {

class TInfoForm : public QDialog {
    Q_OBJECT

public:
    // `executablePath` is the program file whose name and version strings
    // the window shows: the running executable unless told otherwise. The
    // window is built, its timer started and FormCreate run here.
    explicit TInfoForm(QWidget* parent = nullptr,
                       const QString& executablePath = QCoreApplication::applicationFilePath());
    ~TInfoForm() override;

    // Caption, version strings, icon, the statistics and the OS line, then
    // automatic sizing and centring in the work area. Run once, by the
    // constructor.
    void FormCreate();
    // Starts watching the keyboard for FormKeyDown; runs as the window is
    // shown.
    void FormShow();
    // Any key, with any modifier (Shift or Ctrl alone count too), closes the
    // window.
    void FormKeyDown(int key, Qt::KeyboardModifiers shift);
    // Fills the window's own surface, 0,0 to its client width and height,
    // black; the white panel covers all but the frame round it.
    void FormPaint();
    // The window's background is never erased before FormPaint: FormPaint
    // and the panel cover every pixel, and erasing first would only flicker.
    void SkipEraseBackground();
    // Refills the nine statistics lines. A figure the system will not give
    // shows as zero.
    void UpdateStatus();
    // A tick of Timer1: refresh, then the next tick comes 500 ms after the
    // refresh has ended, however long it took.
    void Timer1Timer();

public slots:
    // The links. Each is handed the label that was clicked; the shared ones
    // tell their labels apart by it and do nothing for any other sender.
    //   LblExeName                                         LblExeNameClick
    //   lblURL                                             lblURLClick
    //   Label1 (the address in its "Hint" property)        Label1Click
    //   lblMail                                            lblMailClick
    //   LblLaunchOnStartup, LblLaunchOnDesktop,
    //   LblLaunchOnSendTo                                  LblLaunchOnStartupClick
    //   LblOpenStartup, LblOpenFolderIn, LblOpenSendTo     LblOpenStartupClick
    // What they do lives in InfoFormLinks.cpp.
    virtual void lblURLClick(QObject* sender);
    virtual void lblMailClick(QObject* sender);
    virtual void LblExeNameClick(QObject* sender);
    virtual void LblLaunchOnStartupClick(QObject* sender);
    virtual void LblOpenStartupClick(QObject* sender);
    virtual void Label1Click(QObject* sender);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Labels to their text, the panel to its labels, the window to the
    // panel; once FormCreate has turned automatic sizing on.
    void AdjustSizes();

    std::unique_ptr<Ui::InfoForm> m_ui;
    QTimer* Timer1;
    QString m_executablePath;
    bool m_autoSize = false;
};

// Opens the information window over the active window, modally, and
// destroys it when it closes, also when an exception leaves the modal loop.
void ShowInfoForm();

// Where a window's frame of `frameSize` goes to stand centred in
// `workArea`: halves rounded toward zero, measured from the work area's own
// top-left corner, so a panel along the left or top edge of the screen does
// not push the window off centre.
QPoint CenteredPosition(const QRect& workArea, const QSize& frameSize);

// Moves `form` to the centre of the work area of the screen it is on (the
// screen less panels and docks). Before a window is first shown its frame
// is not known yet, and it is centred by its inside.
void CenterInWorkArea(QWidget* form);

// The operating-system line: `description` with its first "Microsoft "
// taken out (case-sensitive; later ones stay).
QString OsVersionLine(const QString& description);

} // namespace kelvara
