// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/CommandLine.h"

#include <windows.h>

namespace kelvara {

namespace {

bool IsBlank(wchar_t c) {
    return c >= 1 && c <= 32;
}

} // namespace

std::vector<std::wstring> SplitCommandLine(std::wstring_view commandLine) {
    std::vector<std::wstring> arguments;
    std::size_t pos = 0;
    const auto at = [&](std::size_t i) { return i < commandLine.size() ? commandLine[i] : L'\0'; };
    for (;;) {
        for (;;) {
            while (IsBlank(at(pos)))
                ++pos;
            if (at(pos) == L'"' && at(pos + 1) == L'"')
                pos += 2;
            else
                break;
        }
        std::wstring argument;
        bool quoted = false;
        while (at(pos) > 32 || (at(pos) != L'\0' && quoted)) {
            if (at(pos) == L'"')
                quoted = !quoted;
            else
                argument += at(pos);
            ++pos;
        }
        if (argument.empty())
            return arguments;
        arguments.push_back(std::move(argument));
    }
}

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::vector<std::wstring> CommandLinePaths() {
    std::vector<std::wstring> arguments = SplitCommandLine(GetCommandLineW());
    if (!arguments.empty())
        arguments.erase(arguments.begin());
    return arguments;
}

} // namespace kelvara
