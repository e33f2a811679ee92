// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/DebugLog.h"

#include <string>
#include <windows.h>

namespace kelvara {

bool DebugLogWanted() {
    wchar_t value[8];
    const DWORD length = GetEnvironmentVariableW(L"KELVARA_DEBUG", value, 8);
    return length == 1 && value[0] == L'1';
}

void DebugLine(std::string_view line) {
    if (!DebugLogWanted())
        return;
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (!error || error == INVALID_HANDLE_VALUE)
        return;
    std::string text(line);
    text += '\n';
    DWORD written = 0;
    WriteFile(error, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

} // namespace kelvara
