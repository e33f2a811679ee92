// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/MainForm.h"

#include "win32/Catalog.h"
#include "win32/CommandLine.h"
#include "win32/DebugLog.h"
#include "win32/FullPath.h"

#include <algorithm>
#include <cwctype>
#include <shellapi.h>
#include <stdexcept>

namespace kelvara {

namespace {

constexpr wchar_t MainFormClass[] = L"KelvaraMainForm";
constexpr wchar_t PanelClass[] = L"KelvaraPanel";
// Sent by the pacing thread: run one rename step.
constexpr UINT StepMessage = WM_APP + 1;
// The border between the window's edge and its panels.
constexpr int Border = 5;
// Room for a radio button's circle beside its text.
constexpr int RadioBoxWidth = 20;

// Example fragments: the date radio buttons' hints are example date texts,
// the example labels' hints the rest of an example name in their layout.
constexpr wchar_t ExampleDay[] = L"20080318";
constexpr wchar_t ExampleMinute[] = L"200803181226";
constexpr wchar_t ExampleSecond[] = L"20080318122627";

const wchar_t* const DateRadios[] = {L"RdoYMD", L"RdoYMDHN", L"RdoYMDHNS"};
const wchar_t* const ExampleLabels[] = {L"LblDateFile", L"LblDateSizeFile", L"LblDateModelFile",
                                        L"LblDateSizeModelFile"};

// A panel: white like the window, framed by a lowered outer and a raised
// inner bevel where asked (its user data is 1), and the messages its
// controls send go on to the main window.
LRESULT CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return SendMessageW(GetAncestor(panel, GA_ROOT), message, wParam, lParam);
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(panel, &paint);
        if (GetWindowLongPtrW(panel, GWLP_USERDATA) == 1) {
            RECT bounds;
            GetClientRect(panel, &bounds);
            DrawEdge(dc, &bounds, BDR_SUNKENOUTER | BDR_RAISEDINNER, BF_RECT);
        }
        EndPaint(panel, &paint);
        return 0;
    }
    default:
        return DefWindowProcW(panel, message, wParam, lParam);
    }
}

void RegisterClasses() {
    const HINSTANCE module = GetModuleHandleW(nullptr);
    WNDCLASSW panel{};
    panel.lpfnWndProc = PanelProc;
    panel.hInstance = module;
    panel.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    panel.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    panel.lpszClassName = PanelClass;
    RegisterClassW(&panel);

    WNDCLASSW form{};
    form.lpfnWndProc = DefWindowProcW;
    form.hInstance = module;
    form.hIcon = LoadIconW(module, MAKEINTRESOURCEW(1));
    form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    form.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    form.lpszClassName = MainFormClass;
    RegisterClassW(&form);
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Widens a control to hold its text in its font, never narrower than designed.
void FitWidth(HWND control, int designWidth, int extra) {
    const std::wstring text = WindowText(control);
    const HDC dc = GetDC(control);
    const HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    RECT bounds;
    GetWindowRect(control, &bounds);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&bounds), 2);
    const int width = std::max(designWidth, static_cast<int>(extent.cx) + extra);
    SetWindowPos(control, nullptr, 0, 0, width, bounds.bottom - bounds.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

std::wstring ApplicationTitle(const std::wstring& executablePath) {
    const std::size_t slash = executablePath.find_last_of(L"\\/:");
    std::wstring title =
        slash == std::wstring::npos ? executablePath : executablePath.substr(slash + 1);
    if (const std::size_t dot = title.find(L'.'); dot != std::wstring::npos)
        title.resize(dot);
    for (std::size_t i = 1; i < title.size(); ++i)
        title[i] = static_cast<wchar_t>(std::towlower(title[i]));
    return title;
}

std::wstring StateFilePath(const std::wstring& executablePath) {
    const std::size_t slash = executablePath.find_last_of(L"\\/:");
    const std::size_t dot = executablePath.rfind(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
        return executablePath + L".ini";
    return executablePath.substr(0, dot) + L".ini";
}

TMainForm::TMainForm(IRenameEngine& engine, std::wstring iniPath,
                     std::vector<std::wstring> arguments)
    : m_engine(engine), m_iniPath(std::move(iniPath)), m_arguments(std::move(arguments)) {
    RegisterClasses();
    m_font.reset(CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, L"ＭＳ ゴシック"));
    // The design position; the state file may move it.
    m_window =
        CreateWindowExW(WS_EX_ACCEPTFILES, MainFormClass, L"MainForm",
                        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                        191, 105, 459, 350, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!m_window)
        throw std::runtime_error("cannot create the main window");
    SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
    try {
        CreateControls();
        FitToContent();
        FHandoffWnd = std::make_unique<THandoffWindow>([this](const std::wstring& path) {
            DebugLine("handoff received");
            QueuePath(path);
        });
        FormCreate();
    } catch (...) {
        // A window half made is neither shown nor saved: it goes without
        // reaching this object again.
        FTimerThread.reset();
        SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
        DestroyWindow(m_window);
        throw;
    }
}

TMainForm::~TMainForm() {
    // Normally gone already: the window closed and FormDestroy has run.
    if (m_window && IsWindow(m_window))
        DestroyWindow(m_window);
    FHandoffWnd.reset();
}

HWND TMainForm::Add(const wchar_t* name, TComponentKind kind, HWND parent,
                    const wchar_t* windowClass, const std::wstring& caption, DWORD style,
                    RECT bounds, const wchar_t* hint) {
    const bool isPanel = windowClass == PanelClass;
    const HWND control =
        CreateWindowExW(isPanel ? WS_EX_CONTROLPARENT : 0, windowClass, caption.c_str(),
                        WS_CHILD | WS_VISIBLE | style, bounds.left, bounds.top, bounds.right,
                        bounds.bottom, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!control)
        throw std::runtime_error("cannot create a control");
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.get()), FALSE);
    m_components.push_back({name, kind, control, 0, hint});
    return control;
}

void TMainForm::CreateControls() {
    using K = TComponentKind;
    const DWORD label = SS_LEFT | SS_NOPREFIX;
    const DWORD radio = BS_AUTORADIOBUTTON | WS_TABSTOP;
    const wchar_t* const button = L"BUTTON";
    const wchar_t* const text = L"STATIC";
    const auto example = [](const wchar_t* date) { return WithArgument(Tr(L"ex)%1"), date); };

    // In the order the state file lists them: the window's layout, depth first.
    const HWND panel1 =
        Add(L"Panel1", K::Control, m_window, PanelClass, L"", 0, {Border, Border + 48, 441, 113});
    SetWindowLongPtrW(panel1, GWLP_USERDATA, 1);
    Add(L"Label2", K::Control, panel1, text, example(ExampleDay), label, {24, 24, 77, 13});
    Add(L"Label3", K::Control, panel1, text, example(ExampleMinute), label, {24, 56, 105, 13});
    Add(L"Label4", K::Control, panel1, text, example(ExampleSecond), label, {24, 88, 119, 13});
    Add(L"RdoYMD", K::RadioButton, panel1, button, Tr(L"年月日"), radio | WS_GROUP, {8, 8, 113, 17},
        ExampleDay);
    Add(L"RdoYMDHN", K::RadioButton, panel1, button, Tr(L"年月日時分"), radio, {8, 40, 113, 17},
        ExampleMinute);
    Add(L"RdoYMDHNS", K::RadioButton, panel1, button, Tr(L"年月日時分秒"), radio, {8, 72, 113, 17},
        ExampleSecond);

    const HWND panel2 =
        Add(L"Panel2", K::Control, m_window, PanelClass, L"", 0, {Border, Border + 168, 441, 145});
    SetWindowLongPtrW(panel2, GWLP_USERDATA, 1);
    Add(L"LblDateModelFile", K::Control, panel2, text, L"", label, {24, 56, 238, 13},
        L"_CanonIXYDIGITAL900IS_IMG_3444.JPG");
    Add(L"LblDateSizeFile", K::Control, panel2, text, L"", label, {24, 88, 133, 13},
        L"_1600x1200_3444.JPG");
    Add(L"LblDateSizeModelFile", K::Control, panel2, text, L"", label, {24, 120, 308, 13},
        L"_1600x1200_CanonIXYDIGITAL900IS_IMG_3444.JPG");
    Add(L"LblDateFile", K::Control, panel2, text, L"", label, {24, 24, 63, 13}, L"_3444.JPG");
    Add(L"RdoDMF", K::RadioButton, panel2, button, Tr(L"撮影日_カメラのモデル_元のファイル名"),
        radio, {8, 40, 321, 17});
    Add(L"RdoDSF", K::RadioButton, panel2, button, Tr(L"撮影日_サイズ_元のファイル名"), radio,
        {8, 72, 321, 17});
    Add(L"RdoDSMF", K::RadioButton, panel2, button,
        Tr(L"撮影日_サイズ_カメラのモデル_元のファイル名"), radio, {8, 104, 321, 17});
    Add(L"RdoDF", K::RadioButton, panel2, button, Tr(L"撮影日_元のファイル名"), radio | WS_GROUP,
        {8, 8, 321, 17});

    const HWND panel3 =
        Add(L"Panel3", K::Control, m_window, PanelClass, L"", 0, {Border, Border, 433, 41});
    Add(L"Label1", K::Control, panel3, text, Tr(L"デジカメ写真をドロップするとリネームします"),
        label, {96, 16, 294, 13});
    Add(L"Button1", K::Control, panel3, button, L"VERSION", BS_PUSHBUTTON | WS_TABSTOP,
        {8, 8, 75, 25});

    // Tab order as designed, among the panels and within each (the first on top).
    for (const wchar_t* name : {L"RdoYMDHNS", L"RdoYMDHN", L"RdoYMD", L"RdoDSMF", L"RdoDSF",
                                L"RdoDMF", L"RdoDF", L"Panel3", L"Panel2", L"Panel1"})
        SetWindowPos(Control(name), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(Control(L"Button1"), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    // As designed: minute precision, every part in the name.
    SendMessageW(Control(L"RdoYMDHN"), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(Control(L"RdoDSMF"), BM_SETCHECK, BST_CHECKED, 0);

    // English texts run longer than the Japanese ones the design was made for.
    for (const TComponent& component : m_components) {
        RECT bounds;
        GetClientRect(component.window, &bounds);
        if (component.kind == TComponentKind::RadioButton)
            FitWidth(component.window, bounds.right, RadioBoxWidth);
        else if (component.name.starts_with(L"Label"))
            FitWidth(component.window, bounds.right, 0);
    }
}

HWND TMainForm::Control(const wchar_t* name) const {
    return Component(name).window;
}

const TMainForm::TComponent& TMainForm::Component(const wchar_t* name) const {
    for (const TComponent& component : m_components)
        if (component.name == name)
            return component;
    throw std::logic_error("no such control");
}

bool TMainForm::IsOn(const wchar_t* name) const {
    return SendMessageW(Control(name), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TMainForm::FitToContent() {
    RECT content{0, 0, 0, 0};
    for (const TComponent& component : m_components) {
        if (GetParent(component.window) != m_window)
            continue;
        RECT bounds;
        GetWindowRect(component.window, &bounds);
        MapWindowPoints(nullptr, m_window, reinterpret_cast<POINT*>(&bounds), 2);
        content.right = std::max(content.right, bounds.right + Border);
        content.bottom = std::max(content.bottom, bounds.bottom + Border);
    }
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(m_window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(m_window, GWL_EXSTYLE));
    AdjustWindowRectEx(&content, style, FALSE, exStyle);
    SetWindowPos(m_window, nullptr, 0, 0, content.right - content.left,
                 content.bottom - content.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMainForm::Show(int showCommand) {
    ShowWindow(m_window, showCommand);
    UpdateWindow(m_window);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TMainForm::QueuePath(const std::wstring& path) {
    const std::wstring full = QueueablePath(path);
    if (!full.empty())
        m_engine.QueuePaths({full});
}

TNameLayout TMainForm::Layout() const {
    if (IsOn(L"RdoDF"))
        return TNameLayout::DateFile;
    if (IsOn(L"RdoDMF"))
        return TNameLayout::DateModelFile;
    if (IsOn(L"RdoDSF"))
        return TNameLayout::DateSizeFile;
    if (IsOn(L"RdoDSMF"))
        return TNameLayout::DateSizeModelFile;
    return TNameLayout::None;
}

TFormBounds TMainForm::Bounds() const {
    RECT bounds;
    GetWindowRect(m_window, &bounds);
    if (IsIconic(m_window)) {
        // Minimised, the window stands far off screen; its place is where it
        // comes back to.
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        if (GetWindowPlacement(m_window, &placement))
            bounds = placement.rcNormalPosition;
    }
    return {bounds.top, bounds.left, bounds.right - bounds.left, bounds.bottom - bounds.top};
}

void TMainForm::SetTop(std::int32_t top) {
    const TFormBounds bounds = Bounds();
    SetWindowPos(m_window, nullptr, bounds.left, top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMainForm::SetLeft(std::int32_t left) {
    const TFormBounds bounds = Bounds();
    SetWindowPos(m_window, nullptr, left, bounds.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The window sizes itself to its panels: a stored size is taken and then
// fitted again (FitToContent after the restore), as the design does.
void TMainForm::SetWidth(std::int32_t width) {
    const TFormBounds bounds = Bounds();
    SetWindowPos(m_window, nullptr, 0, 0, width, bounds.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMainForm::SetHeight(std::int32_t height) {
    const TFormBounds bounds = Bounds();
    SetWindowPos(m_window, nullptr, 0, 0, bounds.width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::wstring TMainForm::ComponentName(std::size_t index) const {
    return m_components.at(index).name;
}

TComponentKind TMainForm::ComponentKind(std::size_t index) const {
    return m_components.at(index).kind;
}

std::int32_t TMainForm::Tag(std::size_t index) const {
    return m_components.at(index).tag;
}

void TMainForm::SetTag(std::size_t index, std::int32_t tag) {
    m_components.at(index).tag = tag;
}

bool TMainForm::Enabled(std::size_t index) const {
    // The control's own flag, not whether its panel lets it be used.
    return !(GetWindowLongPtrW(m_components.at(index).window, GWL_STYLE) & WS_DISABLED);
}

void TMainForm::SetEnabled(std::size_t index, bool enabled) {
    EnableWindow(m_components.at(index).window, enabled);
}

bool TMainForm::Checked(std::size_t index) const {
    return SendMessageW(m_components.at(index).window, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TMainForm::SetChecked(std::size_t index, bool checked) {
    const TComponent& radio = m_components.at(index);
    if (checked) {
        // One of a panel's radio buttons at most is on.
        for (const TComponent& other : m_components)
            if (other.kind == TComponentKind::RadioButton && other.window != radio.window &&
                GetParent(other.window) == GetParent(radio.window))
                SendMessageW(other.window, BM_SETCHECK, BST_UNCHECKED, 0);
    }
    SendMessageW(radio.window, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    if (checked && std::find_if(std::begin(DateRadios), std::end(DateRadios),
                                [&](const wchar_t* name) { return radio.name == name; }) !=
                       std::end(DateRadios))
        RdoYMDHNSClick();
}

void TMainForm::FormCreate() {
    const std::wstring module = ModulePath();
    const std::wstring caption =
        ApplicationTitle(module) + L" Ver." + L"" KELVARA_VERSION + L" - " + FormName();
    SetWindowTextW(m_window, caption.c_str());
    try {
        LoadFormState(m_iniPath, *this);
    } catch (...) {
        // An unreadable state file leaves the design as it is.
    }
    FitToContent();
    UpdateDatePattern();
    FTimerThread = std::make_unique<TTimerThread>(m_window, StepMessage);
}

void TMainForm::FormShow() {
    for (const std::wstring& path : m_arguments)
        QueuePath(path);
    DebugLine("ready");
}

void TMainForm::FormDestroy() {
    // The pacing thread first: a step it asked for still runs while it ends,
    // and finds the controls and the pattern in place.
    FTimerThread.reset();
    m_engine.Cancel();
    try {
        SaveFormState(m_iniPath, *this);
        DebugLine("state saved");
    } catch (const TProfileWriteError& error) {
        const std::wstring message = WithArgument(Tr(L"%1 に書き込めません"), error.Path()) + L".";
        MessageBoxW(nullptr, message.c_str(), ApplicationTitle(ModulePath()).c_str(),
                    MB_OK | MB_ICONERROR);
    } catch (...) {
        // Nothing else may end the program on its way out.
    }
}

void TMainForm::RdoYMDHNSClick() {
    UpdateDatePattern();
}

void TMainForm::Button1Click() {
    // Until the information window comes: the program's name, version and job.
    const std::wstring title = ApplicationTitle(ModulePath());
    const std::wstring text = title + L" Ver." + L"" KELVARA_VERSION + L"\n\n" +
                              Tr(L"写真の撮影日をファイル名の先頭につけるツール");
    MessageBoxW(m_window, text.c_str(), title.c_str(), MB_OK | MB_ICONINFORMATION);
}

void TMainForm::WMDropFiles(HDROP drop) {
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring name(length + 1, L'\0');
        name.resize(DragQueryFileW(drop, i, name.data(), length + 1));
        QueuePath(name);
    }
    DragFinish(drop);
}

void TMainForm::UpdateDatePattern() {
    const wchar_t* example = ExampleMinute;
    FDatePattern = DatePatternMinute;
    if (IsOn(L"RdoYMD")) {
        FDatePattern = DatePatternDay;
        example = Component(L"RdoYMD").hint.c_str();
    } else if (IsOn(L"RdoYMDHN")) {
        example = Component(L"RdoYMDHN").hint.c_str();
    } else if (IsOn(L"RdoYMDHNS")) {
        FDatePattern = DatePatternSecond;
        example = Component(L"RdoYMDHNS").hint.c_str();
    }
    for (const wchar_t* name : ExampleLabels) {
        const TComponent& label = Component(name);
        SetWindowTextW(label.window, (example + label.hint).c_str());
        FitWidth(label.window, 0, 0);
    }
}

void TMainForm::RenameNextFile() {
    const bool busy = m_engine.HasWork();
    // The step looks at Escape itself.
    m_engine.Step(*this);
    if (busy && !m_engine.HasWork())
        DebugLine("run ended");
}

LRESULT CALLBACK TMainForm::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TMainForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        self->m_window = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    // No failure of a handler ends the program.
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case StepMessage:
        RenameNextFile();
        return 0;
    case WM_DROPFILES:
        WMDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            const auto sender = reinterpret_cast<HWND>(lParam);
            if (sender == Control(L"Button1"))
                Button1Click();
            for (const wchar_t* name : DateRadios)
                if (sender == Control(name))
                    RdoYMDHNSClick();
        }
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        const auto dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    }
    case WM_CLOSE:
        DestroyWindow(m_window);
        return 0;
    case WM_DESTROY:
        FormDestroy();
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(m_window, message, wParam, lParam);
    }
}

} // namespace kelvara
