// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One running copy. The first copy holds a named mutex for its whole life,
// marks its main window with a property and keeps a hidden handoff window;
// all three are named by InstanceIdentity. A second copy finds the mutex
// held, walks the top-level windows for the marked one, restores and brings
// it forward, and hands its paths over in one WM_COPYDATA to the handoff
// window: dwData HandoffMagic, the paths as comma text (UTF-8) with one NUL
// after it. Relative paths are made absolute by the sender, against its own
// current folder, since that is the folder the user meant.

#include "win32/UniqueHandle.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>
#include <windows.h>

namespace kelvara {

inline constexpr wchar_t InstanceIdentity[] = L"{352854AC-DD94-4694-8C57-0331489F7656}";
inline constexpr ULONG_PTR HandoffMagic = 0x1111;

// The named mutex, requested with initial ownership. Held until the object
// goes (the process ends with it).
class TInstanceMutex {
public:
    explicit TInstanceMutex(const wchar_t* name);
    // True when another copy already holds it. A mutex that could not be
    // made for another reason counts as ours: this copy starts normally.
    bool IsAlreadyRunning() const { return m_alreadyRunning; }

private:
    TUniqueHandle m_mutex;
    bool m_alreadyRunning = false;
};

// Marks `window` as the running copy's for as long as the object lives.
class TInstanceMark {
public:
    explicit TInstanceMark(HWND window);
    ~TInstanceMark();
    TInstanceMark(const TInstanceMark&) = delete;
    TInstanceMark& operator=(const TInstanceMark&) = delete;

private:
    HWND m_window;
};

// The text a second copy sends for its `paths` (already absolute): their
// comma text, UTF-8. Where that cannot be made, the first path alone.
std::string HandoffText(const std::vector<std::wstring>& paths);

// The paths a handoff message carries; nothing for a message with another
// dwData or text that is no comma text. Reads no more than cbData bytes.
std::optional<std::vector<std::wstring>> ReadHandoff(const COPYDATASTRUCT& data);

// The second copy's part: finds the marked window, restores it if minimised,
// brings it to the foreground and sends `paths` (made absolute here) to the
// handoff window. A copy that is still starting has no mark yet: the walk is
// tried again for up to ten seconds. True when a marked window was found.
bool ActivateRunningInstance(const std::vector<std::wstring>& paths);

// The hidden handoff window: class InstanceIdentity, WS_EX_TOOLWINDOW and
// WS_POPUP, size 0 by 0. Every handed-over path goes to `intake`, in order,
// on the thread that made the window.
class THandoffWindow {
public:
    using TIntake = std::function<void(const std::wstring& path)>;
    explicit THandoffWindow(TIntake intake);
    THandoffWindow(const THandoffWindow&) = delete;
    THandoffWindow& operator=(const THandoffWindow&) = delete;
    HWND Handle() const { return m_window.get(); }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    TIntake m_intake;
    TUniqueWindow m_window;
};

} // namespace kelvara
