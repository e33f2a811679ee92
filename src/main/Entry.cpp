// The program's entry and its start-up and shutdown order: the application
// object, the search worker (suspended), the metadata library; then the
// rename pipeline until its work is done. Everything goes in reverse order.

#include "findfile/FindFileThread.h"
#include "main/HeadlessHost.h"
#include "platform/PhotoMetadataLibrary.h"

#include <QCoreApplication>

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    kelvara::TFindFileUnit findFileUnit;
    kelvara::TPhotoMetadataLibrary metadataLibrary;

    kelvara::THeadlessHost host(*kelvara::FindFileThread);
    for (int i = 1; i < argc; ++i)
        host.QueuePath(argv[i]);
    return QCoreApplication::exec();
}
