// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows edition's entry: one running copy (a second launch hands its
// paths over and ends), the main window and its message loop. Start-up and
// shutdown go in this order: GDI+ and the metadata library first and last,
// then the mutex test, the engine, the window; the window is destroyed (its
// pacing thread stopped, its state saved) before the engine, and the engine
// before GDI+.

#include "history/HistoryLocation.h"
#include "photo/PhotoMetadataLibrary.h"
#include "platform/EscapeKey.h"
#include "win32/CommandLine.h"
#include "win32/DebugLog.h"
#include "win32/DebugLogSink.h"
#include "win32/Engine.h"
#include "win32/GdiPlus.h"
#include "win32/Instance.h"
#include "win32/MainForm.h"
#include "win32/WideText.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    using namespace kelvara;
    try {
        // The shared modules' lines, for the whole run.
        const TDebugLogSinkScope logSink;
        const TGdiplusSession gdiplus;
        const TPhotoMetadataLibrary metadata;
        const std::vector<std::wstring> paths = CommandLinePaths();
        const TInstanceMutex mutex(InstanceIdentity);
        if (mutex.IsAlreadyRunning()) {
            if (ActivateRunningInstance(paths))
                DebugLine("handed over");
            return 0;
        }
        const std::unique_ptr<IEscapeKey> escape = CreateEscapeKey();
        const std::wstring stateFile = StateFilePath(ModulePath());
        TEngine engine(*escape,
                       HistoryFileFor(Utf8FromWide(ModulePath()), Utf8FromWide(stateFile)));
        TMainForm form(engine, stateFile, paths);
        const TInstanceMark mark(form.Handle());
        form.Show(showCommand);
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            // Tab and the arrow keys move between the window's controls.
            if (form.Handle() && IsDialogMessageW(form.Handle(), &message))
                continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        return 0;
    } catch (...) {
        // Nothing was renamed half-way: a step either moved a file or not.
        return 1;
    }
}
