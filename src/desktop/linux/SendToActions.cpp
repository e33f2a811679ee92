// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/linux/SendToActions.h"

#include "desktop/linux/DesktopEntry.h"

namespace kelvara {

namespace {

std::string TypeList() {
    std::string list;
    for (const std::string_view type : PhotoMimeTypes) {
        list += type;
        list += ';';
    }
    return list;
}

// Nemo reads "%" followed by a letter as one of its codes; "%%" is a
// percent sign.
std::string DoublePercents(std::string_view text) {
    std::string result;
    for (const char c : text) {
        result.push_back(c);
        if (c == '%')
            result.push_back('%');
    }
    return result;
}

} // namespace

std::string ShellQuote(std::string_view text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted.push_back(c);
    }
    quoted.push_back('\'');
    return quoted;
}

std::string FileManagerScriptText(const TShellLink& link) {
    std::string command = "exec " + ShellQuote(link.Path);
    if (!link.Arguments.empty())
        command += " " + ShellQuote(link.Arguments);
    command += " \"$@\"\n";
    std::string text = "#!/bin/sh\n"
                       "# Sends the selected photos and folders to Kelvara. Written by its\n"
                       "# \"Create Shortcut into SendTo\" link; clicking it again rewrites this.\n"
                       "for item do\n"
                       "    shift\n"
                       "    case $item in\n"
                       "    /*) set -- \"$@\" \"$item\" ;;\n"
                       "    *) set -- \"$@\" \"$PWD/$item\" ;;\n"
                       "    esac\n"
                       "done\n";
    if (!link.WorkingDirectory.empty())
        text += "cd " + ShellQuote(link.WorkingDirectory) + " || exit\n";
    return text + command;
}

std::string ServiceMenuText(const TShellLink& link, const std::string& label,
                            const std::string& icon) {
    RequireCarriable(link.Path);
    RequireCarriable(link.Arguments);
    RequireCarriable(link.WorkingDirectory);
    RequireCarriable(label);
    RequireCarriable(icon);
    std::string exec = QuoteExecArgument(link.Path);
    if (!link.Arguments.empty())
        exec += " " + QuoteExecArgument(link.Arguments);
    exec += " %F";

    std::string text = "[Desktop Entry]\n"
                       "Type=Service\n"
                       "X-KDE-ServiceTypes=KonqPopupMenu/Plugin\n"
                       "MimeType=" +
                       TypeList() +
                       "\n"
                       "Actions=sendTo;\n";
    if (!link.WorkingDirectory.empty())
        text += "Path=" + EscapeEntryValue(link.WorkingDirectory) + "\n";
    text += "\n[Desktop Action sendTo]\n";
    text += "Name=" + EscapeEntryValue(label) + "\n";
    if (!icon.empty())
        text += "Icon=" + EscapeEntryValue(icon) + "\n";
    text += "Exec=" + EscapeEntryValue(exec) + "\n";
    return text;
}

std::string NemoActionText(const TShellLink& link, const std::string& label,
                           const std::string& icon) {
    RequireCarriable(link.Path);
    RequireCarriable(link.Arguments);
    RequireCarriable(label);
    RequireCarriable(icon);
    std::string exec = DoublePercents(ShellQuote(link.Path));
    if (!link.Arguments.empty())
        exec += " " + DoublePercents(ShellQuote(link.Arguments));
    exec += " %F";

    std::string text = "[Nemo Action]\n";
    text += "Name=" + DoublePercents(EscapeEntryValue(label)) + "\n";
    text += "Exec=" + EscapeEntryValue(exec) + "\n";
    if (!icon.empty())
        text += "Icon-Name=" + EscapeEntryValue(icon) + "\n";
    text += "Selection=notnone\n"
            "Mimetypes=" +
            TypeList() +
            "\n"
            "Quote=double\n";
    return text;
}

} // namespace kelvara
