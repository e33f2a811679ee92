// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/qt/QtLog.h"

#include <QByteArray>
#include <QDebug>
#include <QFile>
#include <QUrl>

namespace kelvara {

QLoggingCategory& TQtLogSink::QtCategory(const TLogCategory& category) {
    const std::lock_guard<std::mutex> hold(m_lock);
    std::unique_ptr<QLoggingCategory>& known = m_categories[category.Name()];
    if (!known)
        known = std::make_unique<QLoggingCategory>(category.Name(), QtInfoMsg);
    return *known;
}

bool TQtLogSink::IsEnabled(const TLogCategory& category, TLogLevel level) noexcept {
    try {
        const QLoggingCategory& qt = QtCategory(category);
        switch (level) {
        case TLogLevel::Debug:
            return qt.isDebugEnabled();
        case TLogLevel::Info:
            return qt.isInfoEnabled();
        case TLogLevel::Warning:
            return qt.isWarningEnabled();
        }
    } catch (...) {
        // No memory for the category: no line either.
    }
    return false;
}

void TQtLogSink::Write(const TLogCategory& category, TLogLevel level,
                       std::string_view text) noexcept {
    try {
        const QLoggingCategory& qt = QtCategory(category);
        const QString message = QString::fromUtf8(text.data(), qsizetype(text.size()));
        QMessageLogger logger(nullptr, 0, nullptr);
        switch (level) {
        case TLogLevel::Debug:
            logger.debug(qt).noquote() << message;
            break;
        case TLogLevel::Info:
            logger.info(qt).noquote() << message;
            break;
        case TLogLevel::Warning:
            logger.warning(qt).noquote() << message;
            break;
        }
    } catch (...) {
        // A line that cannot be written is not worth ending the program for.
    }
}

TLogLine& operator<<(TLogLine& line, const QString& text) {
    return line.Text(text.toStdString());
}

TLogLine& operator<<(TLogLine& line, const QUrl& url) {
    QString shown;
    QDebug(&shown).nospace() << url;
    return line.Raw(shown.toStdString());
}

QString PathText(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace kelvara
