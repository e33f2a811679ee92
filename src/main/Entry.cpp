// The program's entry and its start-up and shutdown order: the application
// object, the search worker (suspended), the metadata library; then the main
// window and the event loop until it closes. Everything goes in reverse
// order, the main window first (which stops the pacing thread and saves the
// state), the metadata library next, the worker and its lock last.

#include "findfile/FindFileThread.h"
#include "main/MainForm.h"
#include "platform/CommandLine.h"
#include "platform/PhotoMetadataLibrary.h"
#include "platform/TerminationSignals.h"

#include <QApplication>
#include <QGuiApplication>

namespace {

// There is no log: damaged photos are common, and the image plugins' notes
// about them mean nothing to the user.
void DropToolkitMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg)
        qFatal("%s", qPrintable(message));
}

} // namespace

int main(int argc, char* argv[]) {
    qInstallMessageHandler(DropToolkitMessages);
    QApplication application(argc, argv);
    kelvara::TFindFileUnit findFileUnit;
    kelvara::TPhotoMetadataLibrary metadataLibrary;

    kelvara::TMainForm mainForm(kelvara::ProcessArguments());
    // A signal, or the end of the desktop session, ends the program the way
    // closing the window does.
    kelvara::TTerminationSignals terminationSignals([] { QCoreApplication::quit(); });
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &application,
                     [] { QCoreApplication::quit(); });
    mainForm.show();
    return QApplication::exec();
}
