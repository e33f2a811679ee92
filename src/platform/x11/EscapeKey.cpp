// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/EscapeKey.h"

#include "platform/Log.h"

#include <QGuiApplication>
#include <atomic>
#include <cstdlib>
#include <memory>

// Last: the X protocol headers define names that Qt's headers must not see.
// clang-format off
#include <xcb/xcb.h>
// clang-format on

namespace kelvara {

namespace {

std::atomic<bool> EscapeSeen{false};

constexpr std::uint32_t EscapeKeysym = 0xff1b; // XK_Escape

struct TFree {
    void operator()(void* reply) const { std::free(reply); }
};

class TOwnWindowsEscape : public IEscapeKey {
public:
    bool Pressed() override { return EscapeSeen.exchange(false); }
};

// The key code that carries Escape in the display's keyboard map, or 0.
xcb_keycode_t EscapeKeycode(xcb_connection_t* connection) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const std::unique_ptr<xcb_get_keyboard_mapping_reply_t, TFree> mapping(
        xcb_get_keyboard_mapping_reply(connection,
                                       xcb_get_keyboard_mapping(connection, setup->min_keycode,
                                                                static_cast<std::uint8_t>(count)),
                                       nullptr));
    if (!mapping || mapping->keysyms_per_keycode == 0)
        return 0;
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int length = xcb_get_keyboard_mapping_keysyms_length(mapping.get());
    for (int at = 0; at < length; ++at)
        if (keysyms[at] == EscapeKeysym)
            return static_cast<xcb_keycode_t>(setup->min_keycode +
                                              at / mapping->keysyms_per_keycode);
    return 0;
}

// A connection of our own to the X server, so that the query needs nothing
// from the widget toolkit and works in a program without windows too.
//
// Each look gives the keyboard as it was at the previous look, and asks for
// it anew: asked and answered while the program waits between two steps, the
// answer is at hand when the next step looks, and the step does not wait for
// the X server (a round trip of about 0.1 ms a step, the largest part of a
// step's time on X). The first look after a pause is the one the window drops
// (see TRenameStep::DropEscapeSeenWhileIdle); the look right after it waits
// for the state of that moment. So a key held down is seen at most one step
// later than at the step's own moment.
class TX11Escape : public TOwnWindowsEscape {
public:
    TX11Escape(xcb_connection_t* connection, xcb_keycode_t keycode)
        : m_connection(connection), m_keycode(keycode) {}
    ~TX11Escape() override {
        if (m_asked)
            xcb_discard_reply(m_connection, m_request.sequence);
        xcb_disconnect(m_connection);
    }
    TX11Escape(const TX11Escape&) = delete;
    TX11Escape& operator=(const TX11Escape&) = delete;

    bool Pressed() override {
        const bool seen = TOwnWindowsEscape::Pressed();
        if (m_keycode == 0)
            return seen;
        if (!m_asked)
            Ask();
        const std::unique_ptr<xcb_query_keymap_reply_t, TFree> keymap(
            xcb_query_keymap_reply(m_connection, m_request, nullptr));
        Ask();
        const bool down = keymap && (keymap->keys[m_keycode / 8] & (1u << (m_keycode % 8))) != 0;
        return seen || down;
    }

private:
    void Ask() {
        m_request = xcb_query_keymap(m_connection);
        xcb_flush(m_connection);
        m_asked = true;
    }

    xcb_connection_t* m_connection;
    xcb_keycode_t m_keycode;
    xcb_query_keymap_cookie_t m_request{};
    bool m_asked = false;
};

} // namespace

std::unique_ptr<IEscapeKey> CreateEscapeKey() {
    // Only when our windows are on that X display too: a program shown
    // elsewhere (Wayland, offscreen) must not take a key pressed on some
    // other screen for its own.
    const char* name = std::getenv("DISPLAY");
    if (QGuiApplication::platformName() == QLatin1String("xcb") && name != nullptr &&
        *name != '\0') {
        xcb_connection_t* connection = xcb_connect(name, nullptr);
        if (xcb_connection_has_error(connection) == 0)
            return std::make_unique<TX11Escape>(connection, EscapeKeycode(connection));
        xcb_disconnect(connection);
        qCDebug(lcPlatform) << "Escape: cannot open display" << name << "; own windows only";
    }
    return std::make_unique<TOwnWindowsEscape>();
}

void NoteEscapePressed() {
    EscapeSeen.store(true);
}

} // namespace kelvara
