// SPDX-License-Identifier: GPL-3.0-or-later
// The program's entry and its start-up and shutdown order: the search worker
// (suspended) and the metadata library; the single-instance test; then the
// application object, the main window and the event loop until it closes.
// Everything goes in reverse order, the main window first (which stops the
// pacing thread and saves the state), the metadata library next, the worker
// and its lock last; the instance lock goes with the process.
//
// A copy that finds another running hands its arguments over and ends: it
// never creates the application object, so it needs no display, never makes
// a window and never lets the worker run.

#include "app/MainForm.h"
#include "app/Translation.h"
#include "desktop/Installation.h"
#include "instance/HandoffSender.h"
#include "instance/InstanceIdentity.h"
#include "instance/InstanceLock.h"
#include "photo/PhotoMetadataLibrary.h"
#include "platform/CommandLine.h"
#include "platform/TerminationSignals.h"
#include "search/FindFileThread.h"
#include "ui/ProgramIcon.h"

#include <QApplication>
#include <QGuiApplication>
#include <cstdio>
#include <cstring>

namespace {

// The user sees no log: damaged photos are common, and the image plugins'
// notes about them mean nothing to the user. A fatal message (no display to
// open, say) is still said, just before the toolkit ends the program, and so
// are our own modules' diagnostics, which reach this handler only when
// QT_LOGGING_RULES has switched them on.
void FilterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const bool ours =
        context.category != nullptr && std::strncmp(context.category, "kelvara.", 8) == 0;
    if (type == QtFatalMsg)
        std::fprintf(stderr, "Kelvara: %s\n", qPrintable(message));
    else if (ours)
        std::fprintf(stderr, "%s: %s\n", context.category, qPrintable(message));
}

} // namespace

int main(int argc, char* argv[]) {
    qInstallMessageHandler(FilterMessages);
    kelvara::TFindFileUnit findFileUnit;
    kelvara::TPhotoMetadataLibrary metadataLibrary;

    const std::vector<std::string> arguments = kelvara::ProcessArguments();
    kelvara::TInstanceLock instanceLock(kelvara::InstanceIdentity);
    if (instanceLock.IsAlreadyRunning()) {
        // Sent as they stand: the running copy resolves relative paths in
        // its own current folder. Should that copy be just starting or just
        // ending, we keep trying, and take over if it ends.
        const std::vector<std::string> handed(arguments.begin() + 1, arguments.end());
        if (kelvara::HandOffOrBecomeFirst(instanceLock, handed, kelvara::LaunchActivationToken()) !=
            kelvara::THandoffOutcome::BecameFirst)
            return 0;
    }

    QApplication application(argc, argv);
    QApplication::setWindowIcon(kelvara::ProgramIcon());
    // Desktops match the windows to the installed menu entry by its id (the
    // Wayland app id), for their icon and name in the task switcher.
    QGuiApplication::setDesktopFileName(QString::fromStdString(kelvara::ApplicationId()));
    // Before the first window: its design is translated as it is loaded.
    const kelvara::TTranslation translation;
    // A signal, or the end of the desktop session, ends the program the way
    // closing the window does, except that nobody may be at the screen to
    // answer a box. Set up before the window can be reached by later copies,
    // so that no signal finds the program without it. The handlers run from
    // the event loop, which starts only once the window exists.
    const auto endUnattended = [] {
        if (kelvara::MainForm != nullptr)
            kelvara::MainForm->EndUnattended();
        else
            QCoreApplication::quit();
    };
    kelvara::TTerminationSignals terminationSignals(endUnattended);
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &application,
                     endUnattended);
    kelvara::TMainForm mainForm(arguments, {}, &instanceLock);
    mainForm.show();
    return QApplication::exec();
}
