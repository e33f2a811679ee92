// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/LogCapture.h"

#include <QLoggingCategory>
#include <QString>
#include <atomic>
#include <cstring>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace kelvara::test {

namespace {

std::atomic<int> CaptureFd{-1};
QtMessageHandler PreviousHandler = nullptr;

void Capture(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const int fd = CaptureFd.load();
    if (fd >= 0 && context.category != nullptr &&
        std::strncmp(context.category, "kelvara.", 8) == 0) {
        // One write per line: lines of several threads or processes stay whole.
        const std::string line = std::to_string(::getpid()) + " " + context.category + ": " +
                                 message.toStdString() + "\n";
        [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
        return;
    }
    if (PreviousHandler != nullptr)
        PreviousHandler(type, context, message);
}

} // namespace

LogCapture::LogCapture() {
    if (CaptureFd.load() >= 0)
        throw std::logic_error("one log capture at a time");
    CaptureFd.store(m_lines.writeEnd());
    m_previous = qInstallMessageHandler(Capture);
    PreviousHandler = m_previous;
    QLoggingCategory::setFilterRules(QStringLiteral("kelvara.*.debug=true"));
}

LogCapture::~LogCapture() {
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(m_previous);
    CaptureFd.store(-1);
}

} // namespace kelvara::test
