// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/EscapeKey.h"

#include "platform/Log.h"

#include <QGuiApplication>
#include <QSocketNotifier>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>

// Last: the X protocol headers define names that Qt's headers must not see.
// clang-format off
#include <xcb/xcb.h>
#include <xcb/xinput.h>
// clang-format on

namespace kelvara {

namespace {

std::atomic<bool> EscapeSeen{false};

constexpr std::uint32_t EscapeKeysym = 0xff1b; // XK_Escape

struct TFree {
    void operator()(void* reply) const { std::free(reply); }
};

struct TDisconnect {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using TConnection = std::unique_ptr<xcb_connection_t, TDisconnect>;

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

// Asks for the raw key presses and releases of the whole display, on the
// root window, whichever window has the focus. Version 2.2 is announced so
// that they come even while another program grabs the keyboard (a menu open
// elsewhere). The extension's event code, or nothing where the server has no
// XInput 2.
std::optional<std::uint8_t> SelectRawKeyEvents(xcb_connection_t* connection, int screen) {
    const xcb_query_extension_reply_t* extension =
        xcb_get_extension_data(connection, &xcb_input_id);
    if (extension == nullptr || extension->present == 0)
        return std::nullopt;
    const std::unique_ptr<xcb_input_xi_query_version_reply_t, TFree> version(
        xcb_input_xi_query_version_reply(connection, xcb_input_xi_query_version(connection, 2, 2),
                                         nullptr));
    if (!version || version->major_version < 2)
        return std::nullopt;
    xcb_screen_iterator_t roots = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (; roots.rem > 1 && screen > 0; --screen)
        xcb_screen_next(&roots);
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t bits;
    } mask{};
    mask.head.deviceid = XCB_INPUT_DEVICE_ALL_MASTER;
    mask.head.mask_len = 1;
    mask.bits = XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE;
    const std::unique_ptr<xcb_generic_error_t, TFree> error(xcb_request_check(
        connection,
        xcb_input_xi_select_events_checked(connection, roots.data->root, 1, &mask.head)));
    if (error)
        return std::nullopt;
    return extension->major_opcode;
}

// The display's own account of the key, on a connection of our own (so it
// needs nothing from the widget toolkit): every press and release of Escape
// arrives as a raw event, which the server sends the moment it happens.
// Nothing is asked of the server at a step: the step takes what has arrived
// on the socket without waiting, so the first step after the key goes down
// sees it, and the event loop empties the socket between steps, so the keys
// typed during a long idle time do not pile up there.
class TX11Escape : public TOwnWindowsEscape {
public:
    TX11Escape(TConnection connection, xcb_keycode_t keycode, std::uint8_t opcode)
        : m_connection(std::move(connection)), m_keycode(keycode), m_opcode(opcode),
          m_notifier(xcb_get_file_descriptor(m_connection.get()), QSocketNotifier::Read) {
        QObject::connect(&m_notifier, &QSocketNotifier::activated, [this] { Drain(); });
    }

    bool Pressed() override {
        const bool seen = TOwnWindowsEscape::Pressed();
        Drain();
        // Held down counts at every look, as a press since the last look does.
        return std::exchange(m_pressed, false) || m_down || seen;
    }

private:
    void Drain() {
        while (const std::unique_ptr<xcb_generic_event_t, TFree> event{
            xcb_poll_for_event(m_connection.get())}) {
            if ((event->response_type & 0x7f) != XCB_GE_GENERIC)
                continue;
            const auto* raw = reinterpret_cast<const xcb_input_raw_key_press_event_t*>(event.get());
            if (raw->extension != m_opcode || raw->detail != m_keycode)
                continue;
            if (raw->event_type == XCB_INPUT_RAW_KEY_PRESS) {
                m_pressed = true;
                m_down = true;
            } else if (raw->event_type == XCB_INPUT_RAW_KEY_RELEASE) {
                m_down = false;
            }
        }
        // A server that went away leaves the socket readable for ever: stop
        // listening, our own windows still count.
        if (xcb_connection_has_error(m_connection.get()) != 0 && m_notifier.isEnabled()) {
            m_notifier.setEnabled(false);
            m_down = false;
            LogDebug(lcPlatform) << "Escape: display connection lost; own windows only";
        }
    }

    TConnection m_connection;
    xcb_keycode_t m_keycode;
    std::uint8_t m_opcode;
    QSocketNotifier m_notifier;
    bool m_pressed = false;
    bool m_down = false;
};

} // namespace

std::unique_ptr<IEscapeKey> CreateEscapeKey() {
    // Only when our windows are on that X display too: a program shown
    // elsewhere (Wayland, offscreen) must not take a key pressed on some
    // other screen for its own.
    const char* name = std::getenv("DISPLAY");
    if (QGuiApplication::platformName() != QLatin1String("xcb") || name == nullptr || *name == '\0')
        return std::make_unique<TOwnWindowsEscape>();
    int screen = 0;
    TConnection connection(xcb_connect(name, &screen));
    if (xcb_connection_has_error(connection.get()) != 0) {
        LogDebug(lcPlatform) << "Escape: cannot open display" << name << "; own windows only";
        return std::make_unique<TOwnWindowsEscape>();
    }
    const xcb_keycode_t keycode = EscapeKeycode(connection.get());
    const std::optional<std::uint8_t> opcode = SelectRawKeyEvents(connection.get(), screen);
    if (keycode == 0 || !opcode) {
        LogDebug(lcPlatform) << "Escape: no Escape key or no XInput 2 on" << name
                             << "; own windows only";
        return std::make_unique<TOwnWindowsEscape>();
    }
    return std::make_unique<TX11Escape>(std::move(connection), keycode, *opcode);
}

void NoteEscapePressed() {
    EscapeSeen.store(true);
}

} // namespace kelvara
