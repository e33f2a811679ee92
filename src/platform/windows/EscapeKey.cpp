// SPDX-License-Identifier: GPL-3.0-or-later
// The Escape key on Windows: GetAsyncKeyState answers for the whole system,
// down now (the high bit) or pressed since the last look (the low bit),
// whichever window has the focus. Presses reported through
// NoteEscapePressed count as well.
#include "platform/EscapeKey.h"

#include <atomic>
#include <windows.h>

namespace kelvara {

namespace {

std::atomic<bool> OwnWindowsSawEscape{false};

class TAsyncEscapeKey : public IEscapeKey {
public:
    bool Pressed() override {
        const bool reported = OwnWindowsSawEscape.exchange(false);
        return GetAsyncKeyState(VK_ESCAPE) != 0 || reported;
    }
};

} // namespace

std::unique_ptr<IEscapeKey> CreateEscapeKey() {
    return std::make_unique<TAsyncEscapeKey>();
}

void NoteEscapePressed() {
    OwnWindowsSawEscape.store(true);
}

} // namespace kelvara
