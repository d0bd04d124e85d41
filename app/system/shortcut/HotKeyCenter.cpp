#include "app/system/shortcut/HotKeyCenter.h"

#include "app/system/shortcut/KeyCodes.h"
#include "app/system/x11/X11.h"

#include <QByteArray>
#include <QGuiApplication>
#include <array>
#include <utility>
#include <xcb/xcb.h>
// Xlib defines macros (None, Bool, KeyPress ...) that clash with Qt's headers, so it comes last.

namespace snipstack {
namespace {

// A grab also covers the shortcut pressed with Num Lock or Caps Lock on.
constexpr std::array<std::uint16_t, 4> lockVariants{0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                                    XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
constexpr std::uint16_t lockMasks = XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2;

// The keycode that types `keysym` in the server's current mapping, preferring unshifted positions.
std::optional<std::uint8_t> keycodeForKeysym(xcb_connection_t* connection, std::uint32_t keysym) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const auto mapping =
        x11::reply(xcb_get_keyboard_mapping_reply, connection,
                   xcb_get_keyboard_mapping(connection, setup->min_keycode, std::uint8_t(count)));
    if (!mapping) {
        return std::nullopt;
    }
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perKeycode = mapping->keysyms_per_keycode;
    for (int column = 0; column < perKeycode; ++column) {
        for (int key = 0; key < count; ++key) {
            if (keysyms[key * perKeycode + column] == keysym) {
                return std::uint8_t(setup->min_keycode + key);
            }
        }
    }
    return std::nullopt;
}

void ungrab(xcb_connection_t* connection, xcb_window_t root, std::uint8_t keycode, std::uint16_t mask) {
    for (const std::uint16_t variant : lockVariants) {
        xcb_ungrab_key(connection, keycode, root, mask | variant);
    }
    xcb_flush(connection);
}

} // namespace

HotKeyCenter& HotKeyCenter::shared() {
    static HotKeyCenter center;
    return center;
}

bool HotKeyCenter::registerHotKey(std::uint32_t keyCode, std::uint64_t modifiers) {
    unregisterHotKey();
    const auto qt = x11::qtConnection();
    const auto keysym = keycodes::keysymForKeyCode(keyCode);
    if (!qt || !keysym) {
        return false;
    }
    const auto keycode = keycodeForKeysym(qt->connection, *keysym);
    if (!keycode) {
        return false;
    }
    const std::uint16_t mask = keycodes::xModifierMask(modifiers);
    std::array<xcb_void_cookie_t, lockVariants.size()> cookies{};
    for (std::size_t i = 0; i < lockVariants.size(); ++i) {
        // Not owner events: the press reaches the root window even when one of our windows has focus.
        cookies[i] = xcb_grab_key_checked(qt->connection, 0, qt->root, mask | lockVariants[i], *keycode,
                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    }
    bool granted = true;
    for (const xcb_void_cookie_t cookie : cookies) {
        // BadAccess: another client holds this combination.
        if (const x11::Owned<xcb_generic_error_t> error{xcb_request_check(qt->connection, cookie)}) {
            granted = false;
        }
    }
    if (!granted) {
        // Ungrabbing only releases this client's grabs, so the other program keeps its own.
        ungrab(qt->connection, qt->root, *keycode, mask);
        return false;
    }
    if (filteredApplication_ != QCoreApplication::instance()) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        filteredApplication_ = QCoreApplication::instance();
    }
    grab_ = Grab{qt->root, *keycode, mask};
    return true;
}

void HotKeyCenter::unregisterHotKey() {
    const auto grab = std::exchange(grab_, std::nullopt);
    const auto qt = x11::qtConnection();
    if (grab && qt) {
        ungrab(qt->connection, grab->root, grab->keycode, grab->mask);
    }
}

bool HotKeyCenter::isRepeat(const xcb_key_press_event_t& press) {
    // Holding a key repeats it: with detectable auto-repeat (Qt asks the server for it) as presses
    // without releases, otherwise as a release and a press carrying the same time. A release that
    // never came (the grab was broken) must not swallow a real press later: repeats follow each
    // other within the server's repeat delay, well under a second.
    const bool repeat = (held_ && press.time - lastPressTime_ < 1000) || press.time == lastReleaseTime_;
    held_ = true;
    lastPressTime_ = press.time;
    return repeat;
}

bool HotKeyCenter::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (!grab_ || eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const auto type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) {
        return false;
    }
    const auto* key = static_cast<const xcb_key_press_event_t*>(message);
    if (key->event != grab_->root || key->detail != grab_->keycode) {
        return false;
    }
    if (type == XCB_KEY_RELEASE) {
        // Whatever the modifiers are by now: they may be let go first.
        held_ = false;
        lastReleaseTime_ = key->time;
        return false;
    }
    // The low byte holds the modifier masks; above it are pointer buttons and the keyboard group.
    const std::uint16_t state = key->state & 0xff & ~lockMasks;
    if (state != grab_->mask) {
        return false;
    }
    if (!isRepeat(*key) && handler) {
        handler();
    }
    return true;
}

} // namespace snipstack
