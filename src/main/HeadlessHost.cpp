#include "main/HeadlessHost.h"

#include "platform/FullPath.h"

#include <QCoreApplication>

namespace kelvara {

THeadlessHost::THeadlessHost(TFindFileThread& worker)
    : m_worker(worker), m_escape(CreateEscapeKey()),
      m_step(worker, FPendingFiles, m_options, *m_escape) {
    FTimerThread = std::make_unique<TTimerThread>(m_mainThread, [this] { Step(); });
    m_worker.Resume();
}

THeadlessHost::~THeadlessHost() {
    FTimerThread.reset();
    m_worker.Cancel();
}

void THeadlessHost::QueuePath(const std::string& path) { m_worker.AddPath(FullPathName(path)); }

void THeadlessHost::Step() {
    m_step.RenameNextFile();
    if (FPendingFiles.empty() && m_worker.FileCount() == 0 && !m_worker.HasSearchWork())
        QCoreApplication::quit();
}

} // namespace kelvara
