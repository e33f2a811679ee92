// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window of the Windows edition: an instruction with the VERSION
// button, three radio buttons for the date's precision with fixed examples,
// four radio buttons for the name's layout with example names, stacked on
// three panels. It takes dropped files and folders (WS_EX_ACCEPTFILES,
// WM_DROPFILES), the command line's paths when first shown and the paths a
// second launch hands over, all through QueuePath. It holds the naming
// options, which the rename step reads afresh at every step, and restores and
// saves its place and choices in the state file.
//
// Every member runs on the thread that made the window.

#include "rename/NamingOptions.h"
#include "win32/FormState.h"
#include "win32/Instance.h"
#include "win32/RenameEngine.h"
#include "win32/TimerThread.h"
#include "win32/UniqueHandle.h"

#include <memory>
#include <string>
#include <vector>
#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

namespace kelvara {

class TMainForm : public IStateForm, public INamingOptions {
public:
    // `iniPath`: the state file; `arguments`: the command line's paths,
    // queued when the window is first shown. Registers the window classes,
    // builds the window hidden, then runs FormCreate.
    TMainForm(IRenameEngine& engine, std::wstring iniPath, std::vector<std::wstring> arguments);
    ~TMainForm() override;
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    HWND Handle() const { return m_window; }
    // Shows the window; the first time, FormShow queues the arguments.
    void Show(int showCommand);

    // One path from a drop, the command line or a handoff: made full (a
    // mapped drive's path becomes its UNC name) and given to the engine.
    void QueuePath(const std::wstring& path);

    // INamingOptions: "YYYYMMDD", "YYYYMMDDHHNN" or "YYYYMMDDHHNNSS"; the
    // first layout radio button that is on.
    std::string DatePattern() const override { return FDatePattern; }
    TNameLayout Layout() const override;

    // IStateForm
    std::wstring FormName() const override { return L"MainForm"; }
    TFormBounds Bounds() const override;
    void SetTop(std::int32_t top) override;
    void SetLeft(std::int32_t left) override;
    void SetWidth(std::int32_t width) override;
    void SetHeight(std::int32_t height) override;
    std::size_t ComponentCount() const override { return m_components.size(); }
    std::wstring ComponentName(std::size_t index) const override;
    TComponentKind ComponentKind(std::size_t index) const override;
    std::int32_t Tag(std::size_t index) const override;
    void SetTag(std::size_t index, std::int32_t tag) override;
    bool Enabled(std::size_t index) const override;
    void SetEnabled(std::size_t index, bool enabled) override;
    bool Checked(std::size_t index) const override;
    void SetChecked(std::size_t index, bool checked) override;

private:
    struct TComponent {
        std::wstring name;
        TComponentKind kind;
        HWND window;
        std::int32_t tag;
        // Data, never shown: the fragments the example names are made of.
        std::wstring hint;
    };

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void CreateControls();
    HWND Add(const wchar_t* name, TComponentKind kind, HWND parent, const wchar_t* windowClass,
             const std::wstring& caption, DWORD style, RECT bounds, const wchar_t* hint = L"");
    HWND Control(const wchar_t* name) const;
    const TComponent& Component(const wchar_t* name) const;
    bool IsOn(const wchar_t* name) const;
    void FitToContent();

    void FormCreate();
    void FormShow();
    void FormDestroy();
    void RdoYMDHNSClick();
    void Button1Click();
    void WMDropFiles(HDROP drop);
    void UpdateDatePattern();
    void RenameNextFile();

    IRenameEngine& m_engine;
    std::wstring m_iniPath;
    std::vector<std::wstring> m_arguments;
    bool m_shown = false;
    HWND m_window = nullptr;
    TUniqueFont m_font;
    std::vector<TComponent> m_components;

    std::string FDatePattern = DatePatternMinute;
    std::unique_ptr<TTimerThread> FTimerThread;
    std::unique_ptr<THandoffWindow> FHandoffWnd;
};

// The window's title: the executable's name without its folder, cut before
// its first full stop, every character after the first in lower case.
std::wstring ApplicationTitle(const std::wstring& executablePath);

// The state file: the executable's path with ".ini" for its extension.
std::wstring StateFilePath(const std::wstring& executablePath);

} // namespace kelvara
