// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Logging.h"

#include "base/Utf8.h"

#include <atomic>
#include <cstdio>

namespace kelvara {

namespace {

// The process's one sink: the entry point installs it before any thread
// starts and removes it after they have ended.
std::atomic<ILogSink*> Sink{nullptr};

} // namespace

TLogSinkScope::TLogSinkScope(ILogSink& sink) noexcept : m_previous(Sink.exchange(&sink)) {}

TLogSinkScope::~TLogSinkScope() {
    Sink.store(m_previous);
}

bool LogEnabled(const TLogCategory& category, TLogLevel level) noexcept {
    ILogSink* sink = Sink.load(std::memory_order_acquire);
    return sink != nullptr && sink->IsEnabled(category, level);
}

std::string QuotedLogText(std::string_view text) {
    std::string quoted = "\"";
    while (!text.empty()) {
        const char c = text.front();
        const std::size_t length = Utf8SequenceLength(text);
        if (length == 0) {
            quoted += "\xEF\xBF\xBD"; // U+FFFD, as the decoders show a stray byte
            text.remove_prefix(1);
            continue;
        }
        if (length > 1) {
            quoted.append(text.substr(0, length));
        } else if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c == '\n') {
            quoted += "\\n";
        } else if (c == '\r') {
            quoted += "\\r";
        } else if (c == '\t') {
            quoted += "\\t";
        } else if (c == '\b') {
            quoted += "\\b";
        } else if (c == '\f') {
            quoted += "\\f";
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
            quoted += escape;
        } else {
            quoted += c;
        }
        text.remove_prefix(length);
    }
    quoted += '"';
    return quoted;
}

TLogLine::TLogLine(const TLogCategory& category, TLogLevel level) noexcept
    : m_category(category), m_level(level), m_open(LogEnabled(category, level)) {}

void TLogLine::Finish() noexcept {
    if (!m_open)
        return;
    m_open = false;
    if (m_space && !m_text.empty() && m_text.back() == ' ')
        m_text.pop_back();
    // The sink may have gone since the line was opened (a test's capture).
    if (ILogSink* sink = Sink.load(std::memory_order_acquire))
        sink->Write(m_category, m_level, m_text);
}

TLogLine& TLogLine::Raw(std::string_view text) {
    m_text.append(text);
    if (m_space)
        m_text += ' ';
    return *this;
}

TLogLine& TLogLine::Text(std::string_view text) {
    return m_quote ? Raw(QuotedLogText(text)) : Raw(text);
}

} // namespace kelvara
