#include "platform/linux/DesktopEntry.h"

#include <QString>
#include <cerrno>
#include <system_error>

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
        throw std::system_error(EILSEQ, std::generic_category(),
                                "desktop entry text " + std::string(text));
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
    for (const std::string& argument : entry.Exec) {
        RequireCarriable(argument);
        if (!exec.empty())
            exec.push_back(' ');
        exec += QuoteExecArgument(argument);
    }
    if (entry.ExecTakesFiles)
        exec += " %F";
    RequireCarriable(entry.Name);
    RequireCarriable(entry.Icon);
    RequireCarriable(entry.Path);

    std::string text = "[Desktop Entry]\nType=Application\n";
    text += "Name=" + EscapeEntryValue(entry.Name) + "\n";
    if (!entry.Icon.empty())
        text += "Icon=" + EscapeEntryValue(entry.Icon) + "\n";
    text += "Exec=" + EscapeEntryValue(exec) + "\n";
    if (!entry.Path.empty())
        text += "Path=" + EscapeEntryValue(entry.Path) + "\n";
    text += "Terminal=false\n";
    if (!entry.Comment.empty()) {
        RequireCarriable(entry.Comment);
        text += "Comment=" + EscapeEntryValue(entry.Comment) + "\n";
    }
    if (!entry.StartupWMClass.empty()) {
        RequireCarriable(entry.StartupWMClass);
        text += "StartupWMClass=" + EscapeEntryValue(entry.StartupWMClass) + "\n";
    }
    if (!entry.Categories.empty()) {
        text += "Categories=";
        for (const std::string& category : entry.Categories) {
            RequireCarriable(category);
            text += category + ";";
        }
        text += "\n";
    }
    return text;
}

} // namespace kelvara
