// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows main window in this process, on Wine's real window services:
// dropped names reach the engine whole and in order, made absolute; the date
// choice sets the pattern and the examples; the layout is read from the
// radio buttons; closing stops the pacing thread before the engine is
// cancelled, and saves the state.

#include "win32/MainForm.h"
#include "win32/WideText.h"
#include "win32/WineTest.h"

#include <cstring>
#include <shlobj.h>

using namespace kelvara;
using namespace kelvara::test;

namespace {

// Records what the window asks of it.
class TRecordingEngine : public IRenameEngine {
public:
    void QueuePaths(const std::vector<std::wstring>& paths) override {
        queued.insert(queued.end(), paths.begin(), paths.end());
    }
    void Step(const INamingOptions&) noexcept override { ++steps; }
    void Cancel() override { cancelledAfterSteps = steps; }
    bool HasWork() const override { return false; }

    std::vector<std::wstring> queued;
    int steps = 0;
    int cancelledAfterSteps = -1;
};

// A drop of `names`, as the shell hands it over: a DROPFILES header and the
// wide names, each ended by a NUL, and one more NUL.
HDROP MakeDrop(const std::vector<std::wstring>& names) {
    std::wstring list;
    for (const std::wstring& name : names)
        list += name + L'\0';
    list += L'\0';
    const std::size_t size = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
    const HGLOBAL memory = GlobalAlloc(GHND, size);
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), list.data(),
                list.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

std::wstring Text(HWND window) {
    wchar_t text[256];
    return std::wstring(text, static_cast<std::size_t>(GetWindowTextW(window, text, 256)));
}

// The child control showing `text`, or null.
HWND ControlShowing(HWND form, const std::wstring& start) {
    struct TFind {
        std::wstring start;
        HWND found = nullptr;
    } find{start};
    EnumChildWindows(
        form,
        [](HWND control, LPARAM parameter) {
            auto& f = *reinterpret_cast<TFind*>(parameter);
            if (Text(control).starts_with(f.start))
                f.found = control;
            return f.found ? FALSE : TRUE;
        },
        reinterpret_cast<LPARAM>(&find));
    return find.found;
}

class MainFormTest : public ::testing::Test {
protected:
    // A closed window posts the quit of its message loop; this test's loop
    // must not meet it later.
    void TearDown() override {
        MSG quit;
        while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
            ;
    }

    TTempFolder temp;
    fs::path ini = temp.path() / "Kelvara.ini";
    TRecordingEngine engine;
};

} // namespace

TEST_F(MainFormTest, DroppedNamesReachTheEngineInOrderAndMadeAbsolute) {
    TMainForm form(engine, ini.wstring(), {});
    fs::create_directories(temp.path() / "DCIM");
    SetCurrentDirectoryW(temp.path().c_str());
    const std::wstring folder = (temp.path() / "DCIM").wstring();
    SendMessageW(form.Handle(), WM_DROPFILES,
                 reinterpret_cast<WPARAM>(MakeDrop({folder, L"IMG_1.JPG", L"sub\\..\\IMG 2.JPG"})),
                 0);
    EXPECT_EQ(engine.queued,
              (std::vector<std::wstring>{folder, (temp.path() / "IMG_1.JPG").wstring(),
                                         (temp.path() / "IMG 2.JPG").wstring()}));
    DestroyWindow(form.Handle());
}

TEST_F(MainFormTest, TheDateChoiceSetsThePatternAndTheExamplesAndTheLayoutIsReadEachTime) {
    TMainForm form(engine, ini.wstring(), {});
    // As designed: minute precision, every part.
    EXPECT_EQ(form.DatePattern(), DatePatternMinute);
    EXPECT_EQ(form.Layout(), TNameLayout::DateSizeModelFile);
    EXPECT_TRUE(
        ControlShowing(form.Handle(), L"200803181226_1600x1200_CanonIXYDIGITAL900IS_IMG_3444.JPG"));

    // A click on the day's radio button (BM_CLICK: as the mouse does it).
    const HWND day = ControlShowing(form.Handle(), L"Year Month Day");
    ASSERT_TRUE(day);
    SendMessageW(day, BM_CLICK, 0, 0);
    EXPECT_EQ(form.DatePattern(), DatePatternDay);
    for (const wchar_t* example : {L"20080318_3444.JPG", L"20080318_1600x1200_3444.JPG",
                                   L"20080318_CanonIXYDIGITAL900IS_IMG_3444.JPG",
                                   L"20080318_1600x1200_CanonIXYDIGITAL900IS_IMG_3444.JPG"})
        EXPECT_TRUE(ControlShowing(form.Handle(), example)) << Utf8FromWide(example);

    const HWND dateFile = ControlShowing(form.Handle(), L"Date taken_Original name");
    ASSERT_TRUE(dateFile);
    SendMessageW(dateFile, BM_CLICK, 0, 0);
    EXPECT_EQ(form.Layout(), TNameLayout::DateFile);
    EXPECT_EQ(form.DatePattern(), DatePatternDay);
    DestroyWindow(form.Handle());

    // Closing saved the choices; a new window starts with them.
    TMainForm again(engine, ini.wstring(), {});
    EXPECT_EQ(again.DatePattern(), DatePatternDay);
    EXPECT_EQ(again.Layout(), TNameLayout::DateFile);
    DestroyWindow(again.Handle());
}

TEST_F(MainFormTest, ClosingStopsThePacingBeforeTheEngineIsCancelledAndSavesTheState) {
    {
        TMainForm form(engine, ini.wstring(), {});
        // Serve the pacing thread's steps (sent messages, handled inside
        // PeekMessage) until a few have run.
        while (engine.steps < 3) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT);
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&message);
        }
        DestroyWindow(form.Handle());
        // No step after the cancel: the pacing thread had ended before it.
        EXPECT_GE(engine.cancelledAfterSteps, 3);
        EXPECT_EQ(engine.steps, engine.cancelledAfterSteps);
    }
    EXPECT_TRUE(fs::exists(ini));
    wchar_t checked[8];
    GetPrivateProfileStringW(L"MainForm.RdoYMDHN", L"Checked", L"?", checked, 8, ini.c_str());
    EXPECT_STREQ(checked, L"1");
}
