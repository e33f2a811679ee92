// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The modules' diagnostics, in plain C++ so that both editions build them.
// Each module has one category, lc<Module> named "kelvara.<module>" (generated
// by kelvara_module() in src/CMakeLists.txt). A line is written as a stream:
//
//     LogDebug(lcRename) << "kept" << DecodedPath(path) << ":" << error.what();
//
// Items are separated by one space (NoSpace() drops the spaces); a
// std::string is quoted as a text with its quotes and control characters
// escaped (NoQuote() writes it as it is), a C string or string_view is
// written as it is, numbers in decimal, bools as true/false. Nothing after
// LogDebug(...) is evaluated unless the category is on.
//
// Where the lines go is the edition's choice: one sink for the process,
// installed by the entry point (TLogSinkScope). The Linux edition forwards to
// Qt's logging categories of the same names, so QT_LOGGING_RULES and message
// patterns work as ever; the Windows edition writes its debug log. Without a
// sink every category is off.

#include <string>
#include <string_view>
#include <type_traits>

namespace kelvara {

enum class TLogLevel { Debug, Info, Warning };

// A module's category: a name that lives as long as the program.
class TLogCategory {
public:
    constexpr explicit TLogCategory(const char* name) : m_name(name) {}
    const char* Name() const { return m_name; }

private:
    const char* m_name;
};

// Where lines go. Both calls may come from any thread at once, and must not
// throw.
class ILogSink {
public:
    virtual ~ILogSink() = default;
    virtual bool IsEnabled(const TLogCategory& category, TLogLevel level) noexcept = 0;
    virtual void Write(const TLogCategory& category, TLogLevel level,
                       std::string_view text) noexcept = 0;
};

// Makes `sink` the process's sink while the object lives, and restores the
// one before it afterwards. The sink must outlive every thread that logs
// while it is installed.
class TLogSinkScope {
public:
    explicit TLogSinkScope(ILogSink& sink) noexcept;
    ~TLogSinkScope();
    TLogSinkScope(const TLogSinkScope&) = delete;
    TLogSinkScope& operator=(const TLogSinkScope&) = delete;

private:
    ILogSink* m_previous;
};

bool LogEnabled(const TLogCategory& category, TLogLevel level) noexcept;

// `text` quoted and escaped as the lines show texts: invalid UTF-8 becomes
// U+FFFD, quotes and backslashes get a backslash, control characters their
// escape (\n, \t, \u001B).
std::string QuotedLogText(std::string_view text);

// One line being written; LogDebug and its kin make it.
class TLogLine {
public:
    TLogLine(const TLogCategory& category, TLogLevel level) noexcept;
    TLogLine(const TLogLine&) = delete;
    TLogLine& operator=(const TLogLine&) = delete;

    bool Open() const { return m_open; }
    // Hands the line to the sink; the line is closed afterwards.
    void Finish() noexcept;

    TLogLine& NoQuote() {
        m_quote = false;
        return *this;
    }
    TLogLine& NoSpace() {
        m_space = false;
        return *this;
    }

    // Appends an item as it is, or quoted when the line quotes.
    TLogLine& Raw(std::string_view text);
    TLogLine& Text(std::string_view text);

    TLogLine& operator<<(const char* text) { return Raw(text != nullptr ? text : "(null)"); }
    TLogLine& operator<<(std::string_view text) { return Raw(text); }
    TLogLine& operator<<(const std::string& text) { return Text(text); }
    TLogLine& operator<<(char c) { return Raw(std::string_view(&c, 1)); }
    TLogLine& operator<<(bool value) { return Raw(value ? "true" : "false"); }
    template <typename Number>
    requires(std::is_arithmetic_v<Number> && !std::is_same_v<Number, bool> &&
             !std::is_same_v<Number, char>) TLogLine&
    operator<<(Number value) {
        return Raw(std::to_string(value));
    }

private:
    const TLogCategory& m_category;
    TLogLevel m_level;
    bool m_open;
    bool m_quote = true;
    bool m_space = true;
    std::string m_text;
};

} // namespace kelvara

// The line is an lvalue, so that an adapter's own operator<< for its types
// applies to the first item as to the others.
#define KELVARA_LOG_LINE(category, level)                                                          \
    for (::kelvara::TLogLine kelvaraLogLine((category), (level)); kelvaraLogLine.Open();           \
         kelvaraLogLine.Finish())                                                                  \
    kelvaraLogLine
#define LogDebug(category) KELVARA_LOG_LINE(category, ::kelvara::TLogLevel::Debug)
#define LogInfo(category) KELVARA_LOG_LINE(category, ::kelvara::TLogLevel::Info)
#define LogWarning(category) KELVARA_LOG_LINE(category, ::kelvara::TLogLevel::Warning)
