// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window: the user's whole interface and the program's one intake
// for paths. Dropped files and folders, the command-line arguments and paths
// handed over by a second copy all go through QueuePath to the search worker.
//
// The window owns what the rename step reads at each step (the date pattern,
// the layout radio buttons, the pending list) and the pacing thread that asks
// for those steps. It restores its state from the INI file when it is made
// and saves it when it goes.
//
// Life: the constructor loads the design and runs FormCreate (caption, saved
// state, pending list, date pattern, the reader thread that prepares each
// file before its step, pacing thread, worker resumed); the first show runs
// FormShow (queues the command-line arguments); the destructor runs
// FormDestroy (pacing thread stopped while its last step is still served,
// worker cancelled, reader stopped, pending list released, state saved or its
// failure told).
//
// No failure ends the program here: every handler contains whatever is
// thrown below it, and the rename step, a dropped path or an argument that
// fails is simply left.

#include "instance/HandoffTarget.h"
#include "rename/NamingOptions.h"
#include "search/PathList.h"
#include "state/StateFileLocation.h"

#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Ui {
class MainForm;
}

class QRadioButton;

namespace kelvara {

class IEscapeKey;
class THandoffReceiver;
class TInstanceLock;
class TEscapeKeyWatcher;
class TMainThreadCall;
class TRenameStep;
class TRunPace;
class TRunPanel;
class THistoryWriter;
class TUndoTask;
class THistoryForm;
class TStateSaveReport;
class TTimerThread;

class TMainForm : public QWidget, public INamingOptions, public IHandoffTarget {
    Q_OBJECT

public:
    // `arguments` is the command line (argument 0 the executable's path);
    // `iniFile` the state file, by default where state/StateFileLocation.h
    // puts it for the executable. With an instance lock, the window also
    // receives what later copies hand over; where it cannot, it gives the
    // lock up, so that later copies run on their own.
    explicit TMainForm(std::vector<std::string> arguments, QString iniFile = {},
                       TInstanceLock* instanceLock = nullptr, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The intake of one path: made full against the current folder and given
    // to the search worker, which drops what names nothing.
    void QueuePath(const std::string& path);
    // The intake of paths that arrived together (the command line, one
    // handoff, one drop): each made full, then queued in one go, so that the
    // worker sorts their folders as one batch.
    void QueuePaths(const std::vector<std::string>& paths) override;

    // One rename step; the pacing thread asks for it on the main thread.
    void RenameNextFile();

    // Brings the window forward: restored if minimised, raised, activated,
    // with the launcher's activation token when a later copy passed one.
    void Activate(const std::string& activationToken) override;

    // Ends the program for a signal or the end of the desktop session: as
    // closing the window does, except that nobody may be there to answer a
    // box, so a state that cannot be saved is told on standard error
    // (app/StateSaveReport.h). Also closes that box if it is already open.
    void EndUnattended();

    // The naming options, as the rename step reads them.
    std::string DatePattern() const override { return FDatePattern; }
    TNameLayout Layout() const override;
    // The run panel's choices ChkFast and ChkVideos, as they stand now.
    bool FastRuns() const override;
    bool VideosToo() const override;

    // The run panel: the run going on or last ended, and its texts.
    const TRunPanel& RunPanel() const { return *m_runPanel; }
    // Undoes the last run that has anything left to move back (Ctrl+Z and
    // BtnUndo), or `run`; not while a run or another undo goes on. True when
    // an undo started.
    bool Undo(std::optional<std::int64_t> run = std::nullopt);
    bool UndoGoing() const;
    // The history window, while it is open.
    THistoryForm* HistoryWindow() const;

signals:
    // An undo has ended and the panel says how it went.
    void UndoFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void FormDestroy();
    void RdoYMDHNSClick();
    void Button1Click();
    void UpdateDatePattern();
    void BtnUndoClick();
    void LblHistoryClick();
    void UndoTick();
    void UndoEnded();
    void UpdateUndoButton();
    void ShowHistory();

    std::unique_ptr<Ui::MainForm> m_ui;
    std::vector<std::string> m_arguments;
    // The state file: read from `load`, saved to `save` (see
    // state/StateFileLocation.h).
    TStateFiles m_stateFiles;
    bool m_shown = false;

    std::string FDatePattern;
    std::optional<TPathList> FPendingFiles;
    std::unique_ptr<TEscapeKeyWatcher> m_escapeWatcher;
    std::unique_ptr<TStateSaveReport> m_saveReport;
    std::unique_ptr<IEscapeKey> m_escape;
    std::unique_ptr<THistoryWriter> m_history;
    std::unique_ptr<TRunPanel> m_runPanel;
    std::unique_ptr<TUndoTask> m_undo;
    std::unique_ptr<QTimer> m_undoTimer;
    QPointer<THistoryForm> m_historyForm;
    std::unique_ptr<TRenameStep> m_step;
    // Which readers prepare the files, and how fast a run goes.
    std::unique_ptr<TRunPace> m_pace;
    std::unique_ptr<TMainThreadCall> m_mainThread;
    std::unique_ptr<TTimerThread> FTimerThread;
    std::unique_ptr<THandoffReceiver> FHandoffWnd;
};

// The program's one main window, while it exists.
extern TMainForm* MainForm;

} // namespace kelvara
