// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/linux/DesktopEntry.h"

#include "base/SystemError.h"

#include <QString>
#include <cerrno>

namespace kelvara {

namespace {

constexpr std::string_view ReservedInExec = " \t\n\"'\\><~|&;$*?#()`";

} // namespace

void RequireCarriable(std::string_view text) {
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    // Invalid sequences come back as U+FFFD, so the round trip differs.
    const bool utf8 = QString::fromUtf8(bytes).toUtf8() == bytes;
    bool control = false;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\n' && c != '\t' && c != '\r') || u == 0x7F)
            control = true;
    }
    if (!utf8 || control)
        ThrowSystemError(EILSEQ, "desktop entry text " + std::string(text));
}

std::string QuoteExecArgument(std::string_view argument) {
    const bool quote =
        argument.empty() || argument.find_first_of(ReservedInExec) != std::string_view::npos;
    std::string result;
    if (quote)
        result.push_back('"');
    for (const char c : argument) {
        if (c == '%')
            result += "%%";
        else if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            result += {'\\', c};
        else
            result.push_back(c);
    }
    if (quote)
        result.push_back('"');
    return result;
}

std::string EscapeEntryValue(std::string_view value) {
    std::string result;
    for (std::size_t i = 0; i < value.size(); ++i) {
        switch (const char c = value[i]) {
        case '\\':
            result += "\\\\";
            break;
        case '\n':
            result += "\\n";
            break;
        case '\t':
            result += "\\t";
            break;
        case '\r':
            result += "\\r";
            break;
        case ' ':
            // Readers trim blanks at either end of a value.
            result +=
                i == 0 || value.find_first_not_of(' ', i) == std::string_view::npos ? "\\s" : " ";
            break;
        default:
            result.push_back(c);
        }
    }
    return result;
}

std::string DesktopEntryText(const TDesktopEntry& entry) {
    std::string exec;
    for (const std::string& argument : entry.exec) {
        RequireCarriable(argument);
        if (!exec.empty())
            exec.push_back(' ');
        exec += QuoteExecArgument(argument);
    }
    if (entry.execTakesFiles)
        exec += " %F";
    RequireCarriable(entry.name);
    RequireCarriable(entry.icon);
    RequireCarriable(entry.path);

    std::string text = "[Desktop Entry]\nType=Application\n";
    text += "Name=" + EscapeEntryValue(entry.name) + "\n";
    if (!entry.icon.empty())
        text += "Icon=" + EscapeEntryValue(entry.icon) + "\n";
    text += "Exec=" + EscapeEntryValue(exec) + "\n";
    if (!entry.path.empty())
        text += "Path=" + EscapeEntryValue(entry.path) + "\n";
    text += "Terminal=false\n";
    if (!entry.comment.empty()) {
        RequireCarriable(entry.comment);
        text += "Comment=" + EscapeEntryValue(entry.comment) + "\n";
    }
    if (!entry.startupWmClass.empty()) {
        RequireCarriable(entry.startupWmClass);
        text += "StartupWMClass=" + EscapeEntryValue(entry.startupWmClass) + "\n";
    }
    if (!entry.categories.empty()) {
        text += "Categories=";
        for (const std::string& category : entry.categories) {
            RequireCarriable(category);
            text += category + ";";
        }
        text += "\n";
    }
    return text;
}

} // namespace kelvara
