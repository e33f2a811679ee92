#include "platform/EscapeKey.h"

#include "platform/Log.h"

#include <QGuiApplication>
#include <atomic>
#include <cstdlib>

// Last: Xlib defines macros (Bool, Status) that Qt's headers must not see.
// clang-format off
#include <X11/Xlib.h>
#include <X11/keysym.h>
// clang-format on

namespace kelvara {

namespace {

std::atomic<bool> EscapeSeen{false};

class TOwnWindowsEscape : public IEscapeKey {
public:
    bool Pressed() override { return EscapeSeen.exchange(false); }
};

// A connection of our own to the X server, so that the query needs nothing
// from the widget toolkit and works in a program without windows too.
class TX11Escape : public TOwnWindowsEscape {
public:
    explicit TX11Escape(Display* display)
        : m_display(display), m_keycode(XKeysymToKeycode(display, XK_Escape)) {}
    ~TX11Escape() override { XCloseDisplay(m_display); }
    TX11Escape(const TX11Escape&) = delete;
    TX11Escape& operator=(const TX11Escape&) = delete;

    bool Pressed() override {
        const bool seen = TOwnWindowsEscape::Pressed();
        if (m_keycode == 0)
            return seen;
        char keys[32] = {};
        XQueryKeymap(m_display, keys);
        const bool down = (keys[m_keycode / 8] & (1 << (m_keycode % 8))) != 0;
        return seen || down;
    }

private:
    Display* m_display;
    KeyCode m_keycode;
};

} // namespace

std::unique_ptr<IEscapeKey> CreateEscapeKey() {
    // Only when our windows are on that X display too: a program shown
    // elsewhere (Wayland, offscreen) must not take a key pressed on some
    // other screen for its own.
    const char* name = std::getenv("DISPLAY");
    if (QGuiApplication::platformName() == QLatin1String("xcb") && name != nullptr &&
        *name != '\0') {
        if (Display* display = XOpenDisplay(name))
            return std::make_unique<TX11Escape>(display);
        qCDebug(lcPlatform) << "Escape: cannot open display" << name << "; own windows only";
    }
    return std::make_unique<TOwnWindowsEscape>();
}

void NoteEscapePressed() {
    EscapeSeen.store(true);
}

} // namespace kelvara
