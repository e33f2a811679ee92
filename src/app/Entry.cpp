// SPDX-License-Identifier: GPL-3.0-or-later
// The program's entry and its start-up and shutdown order: the search worker
// (suspended) and the metadata library; the single-instance test; then the
// application object, the main window and the event loop until it closes.
// Everything goes in reverse order, the main window first (which stops the
// pacing thread and saves the state), the metadata library next, the worker
// and its lock after it; the instance lock goes last, so that a later copy
// starts only once this one has stopped all its work.
//
// A copy that finds another running hands its arguments over and ends: it
// never creates the application object, so it needs no display, never makes
// a window and never lets the worker run.

#include "app/Log.h"
#include "app/MainForm.h"
#include "app/Translation.h"
#include "base/qt/QtLog.h"
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
#include <optional>
#include <string>
#include <vector>

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

// A later launch that reached no running copy in time: nothing it was given
// is renamed, and the user (or the script that launched it) must know.
// Said whether or not anyone has asked for diagnostics.
void TellHandoffGivenUp(const std::vector<std::string>& paths) {
    if (paths.empty()) {
        std::fputs("Kelvara: the running copy did not answer; it was not brought forward\n",
                   stderr);
        return;
    }
    std::fputs("Kelvara: the running copy did not answer; these were not renamed:\n", stderr);
    for (const std::string& path : paths)
        std::fprintf(stderr, "  %s\n", path.c_str());
}

// The metadata library for the program's life, saying when it has stopped:
// the library itself is shared with the Windows edition, which logs
// otherwise. Tests read the line to see the shutdown order.
class TMetadataLibraryUnit {
public:
    TMetadataLibraryUnit() { m_library.emplace(); }
    ~TMetadataLibraryUnit() {
        m_library.reset();
        LogDebug(kelvara::lcApp) << "metadata library stopped";
    }
    TMetadataLibraryUnit(const TMetadataLibraryUnit&) = delete;
    TMetadataLibraryUnit& operator=(const TMetadataLibraryUnit&) = delete;

private:
    std::optional<kelvara::TPhotoMetadataLibrary> m_library;
};

} // namespace

int main(int argc, char* argv[]) {
    // The modules' lines go to Qt's logging, for the whole life of main().
    const kelvara::TQtLogSinkScope logSink;
    qInstallMessageHandler(FilterMessages);
    // Made after the worker and the metadata library, released after them.
    std::optional<kelvara::TInstanceLock> instanceLock;
    kelvara::TFindFileUnit findFileUnit;
    TMetadataLibraryUnit metadataLibrary;

    // Every argument is a path: read here, before any toolkit sees them.
    const std::vector<std::string> arguments = kelvara::ProcessArguments(argc, argv);
    instanceLock.emplace(kelvara::InstanceIdentity);
    if (instanceLock->IsAlreadyRunning()) {
        // Sent as full paths: a relative one names a file in our working
        // folder, not in the running copy's. Should that copy be just
        // starting or just ending, we keep trying, and take over if it ends.
        const std::vector<std::string> handed =
            kelvara::HandoffPaths({arguments.begin() + 1, arguments.end()});
        switch (kelvara::HandOffOrBecomeFirst(*instanceLock, handed,
                                              kelvara::LaunchActivationToken())) {
        case kelvara::THandoffOutcome::Delivered:
            return 0;
        case kelvara::THandoffOutcome::GaveUp:
            TellHandoffGivenUp(handed);
            return 1;
        case kelvara::THandoffOutcome::BecameFirst:
            break;
        }
    }

    // Qt gets the program's name alone. Given the command line, it would take
    // photos named -platform, -style or -platformpluginpath for its own
    // options: abort for want of a plugin, or load one from the folder that
    // the next file's name points to. (All three must outlive the
    // application; a launcher may even have given no name at all.)
    char fallbackName[] = "kelvara";
    int toolkitArgc = 1;
    char* toolkitArgv[] = {argc > 0 && argv[0] != nullptr ? argv[0] : fallbackName, nullptr};
    QApplication application(toolkitArgc, toolkitArgv);
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
    kelvara::TMainForm mainForm(arguments, {}, &*instanceLock);
    mainForm.show();
    return QApplication::exec();
}
