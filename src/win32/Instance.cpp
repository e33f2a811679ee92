// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/Instance.h"

#include "instance/CommaText.h"
#include "win32/FullPath.h"
#include "win32/WideText.h"

#include <chrono>
#include <cstring>
#include <thread>

namespace kelvara {

namespace {

// What the walk over the top-level windows carries.
struct TInstanceSearch {
    const std::vector<std::wstring>* paths;
    bool found = false;
};

void SendArgumentsToRunningInstance(const std::vector<std::wstring>& paths) {
    if (paths.empty())
        return;
    const std::string text = HandoffText(paths);
    // The text and its NUL; the buffer goes on every way out.
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    COPYDATASTRUCT data{};
    data.dwData = HandoffMagic;
    data.cbData = static_cast<DWORD>(buffer.size());
    data.lpData = buffer.data();
    if (const HWND target = FindWindowW(InstanceIdentity, nullptr))
        SendMessageW(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

BOOL CALLBACK EnumInstanceWindowsProc(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<TInstanceSearch*>(parameter);
    if (reinterpret_cast<ULONG_PTR>(GetPropW(window, InstanceIdentity)) != HandoffMagic)
        return TRUE;
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
    std::vector<std::wstring> absolute;
    for (const std::wstring& path : *search.paths) {
        std::wstring full = FullPathName(path);
        absolute.push_back(full.empty() ? path : std::move(full));
    }
    SendArgumentsToRunningInstance(absolute);
    search.found = true;
    return FALSE;
}

} // namespace

TInstanceMutex::TInstanceMutex(const wchar_t* name) : m_mutex(CreateMutexW(nullptr, TRUE, name)) {
    m_alreadyRunning = GetLastError() == ERROR_ALREADY_EXISTS;
}

TInstanceMark::TInstanceMark(HWND window) : m_window(window) {
    SetPropW(m_window, InstanceIdentity, reinterpret_cast<HANDLE>(HandoffMagic));
}

TInstanceMark::~TInstanceMark() {
    RemovePropW(m_window, InstanceIdentity);
}

std::string HandoffText(const std::vector<std::wstring>& paths) {
    try {
        TCommaItems items;
        for (const std::wstring& path : paths)
            items.push_back(Utf8FromWide(path));
        return WriteCommaText(items);
    } catch (...) {
        try {
            return paths.empty() ? std::string() : Utf8FromWide(paths.front());
        } catch (...) {
            return {};
        }
    }
}

std::optional<std::vector<std::wstring>> ReadHandoff(const COPYDATASTRUCT& data) {
    if (data.dwData != HandoffMagic || !data.lpData)
        return std::nullopt;
    try {
        const auto* bytes = static_cast<const char*>(data.lpData);
        const auto* nul = static_cast<const char*>(std::memchr(bytes, '\0', data.cbData));
        const std::size_t length = nul ? static_cast<std::size_t>(nul - bytes) : data.cbData;
        std::vector<std::wstring> paths;
        for (const std::string& item : ReadCommaText(std::string_view(bytes, length)))
            paths.push_back(WideFromUtf8(item));
        return paths;
    } catch (...) {
        return std::nullopt;
    }
}

bool ActivateRunningInstance(const std::vector<std::wstring>& paths) {
    using namespace std::chrono_literals;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    TInstanceSearch search{&paths};
    for (;;) {
        EnumWindows(EnumInstanceWindowsProc, reinterpret_cast<LPARAM>(&search));
        if (search.found || std::chrono::steady_clock::now() >= deadline)
            return search.found;
        std::this_thread::sleep_for(50ms);
    }
}

THandoffWindow::THandoffWindow(TIntake intake) : m_intake(std::move(intake)) {
    const HINSTANCE module = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = module;
    windowClass.lpszClassName = InstanceIdentity;
    // Registered once per process; a second registration fails harmlessly.
    RegisterClassW(&windowClass);
    m_window.reset(CreateWindowExW(WS_EX_TOOLWINDOW, InstanceIdentity, L"", WS_POPUP, 0, 0, 0, 0,
                                   nullptr, nullptr, module, nullptr));
    if (m_window) {
        SetWindowLongPtrW(m_window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrW(m_window.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
    }
}

LRESULT CALLBACK THandoffWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    if (message != WM_COPYDATA)
        return DefWindowProcW(window, message, wParam, lParam);
    // Whatever goes wrong, the sender gets its answer and this copy runs on.
    try {
        auto* self = reinterpret_cast<THandoffWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (self && data) {
            if (const auto paths = ReadHandoff(*data))
                for (const std::wstring& path : *paths)
                    self->m_intake(path);
        }
    } catch (...) {
    }
    return 0;
}

} // namespace kelvara
