// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Escape key as the rename step asks for it: "is it down now, or was it
// pressed since I last asked?", whichever window has the focus.
//
// On X11 the answer comes from the display's raw key events (so Escape works
// while another program's window is active), received as they happen, so
// that the first look after the key goes down sees it without asking the X
// server anything; the Escape presses our own windows saw count as well.
// Elsewhere only our own windows count.

#include <memory>

namespace kelvara {

class IEscapeKey {
public:
    virtual ~IEscapeKey() = default;
    // True when Escape is down now or was pressed since the previous call.
    // Called on the thread that created the object (its event loop keeps
    // the display's events flowing between calls).
    virtual bool Pressed() = 0;
};

// The X display's keyboard when the application's windows are on X11 and the
// display can be reached, else our own windows only.
std::unique_ptr<IEscapeKey> CreateEscapeKey();

// Our windows report an Escape press here (any thread may call it).
void NoteEscapePressed();

} // namespace kelvara
