// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Owners of the Windows handles the program takes: each is released on every
// way out of its scope.

#include <memory>
#include <type_traits>
#include <windows.h>

namespace kelvara {

struct TCloseHandle {
    void operator()(HANDLE handle) const noexcept {
        if (handle && handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};
using TUniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, TCloseHandle>;

struct TFindClose {
    void operator()(HANDLE handle) const noexcept {
        if (handle && handle != INVALID_HANDLE_VALUE)
            FindClose(handle);
    }
};
using TUniqueFind = std::unique_ptr<std::remove_pointer_t<HANDLE>, TFindClose>;

struct TDestroyWindow {
    void operator()(HWND window) const noexcept {
        if (window)
            DestroyWindow(window);
    }
};
using TUniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, TDestroyWindow>;

struct TDeleteObject {
    void operator()(HGDIOBJ object) const noexcept {
        if (object)
            DeleteObject(object);
    }
};
using TUniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, TDeleteObject>;

} // namespace kelvara
