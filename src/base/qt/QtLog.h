// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Linux edition's side of base/Logging.h: the sink that hands each line to
// Qt's logging, under a QLoggingCategory of the same name, so that
// QT_LOGGING_RULES, message patterns and message handlers see the modules'
// lines as they always have; and the Qt types the windows log, written as Qt's
// own debug stream writes them.

#include "base/Logging.h"

#include <QLoggingCategory>
#include <QString>
#include <map>
#include <memory>
#include <mutex>

class QUrl;

namespace kelvara {

// Debug lines are off unless the rules switch them on; info and warnings on.
class TQtLogSink final : public ILogSink {
public:
    bool IsEnabled(const TLogCategory& category, TLogLevel level) noexcept override;
    void Write(const TLogCategory& category, TLogLevel level,
               std::string_view text) noexcept override;

private:
    // The Qt category of `category`, made at its first line and kept while
    // the sink lives (Qt applies the filter rules to every one that exists).
    QLoggingCategory& QtCategory(const TLogCategory& category);

    std::mutex m_lock;
    std::map<std::string, std::unique_ptr<QLoggingCategory>> m_categories; // under m_lock
};

// A sink for the process, installed while the object lives.
class TQtLogSinkScope {
public:
    TQtLogSinkScope() : m_scope(m_sink) {}

private:
    TQtLogSink m_sink;
    TLogSinkScope m_scope;
};

TLogLine& operator<<(TLogLine& line, const QString& text);
TLogLine& operator<<(TLogLine& line, const QUrl& url);

// `path` as the windows show it, decoded the way the file system encodes names.
QString PathText(const std::string& path);

} // namespace kelvara
