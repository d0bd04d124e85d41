#include "app/system/HotKeyCenter.h"

#include "app/system/KeyCodes.h"

#include <QByteArray>
#include <QGuiApplication>
#include <array>
#include <cstdlib>
#include <memory>
#include <qguiapplication_platform.h>
#include <utility>
#include <xcb/xcb.h>
// Xlib defines macros (None, Bool, KeyPress ...) that clash with Qt's headers, so it comes last.
#include <X11/Xlib.h>

namespace snipstack {
namespace {

// A grab also covers the shortcut pressed with Num Lock or Caps Lock on.
constexpr std::array<std::uint16_t, 4> lockVariants{0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                                    XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
constexpr std::uint16_t lockMasks = XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2;

struct X11 {
    xcb_connection_t* connection;
    xcb_window_t root;
};

std::optional<X11> qtX11() {
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || !x11->display()) {
        return std::nullopt;
    }
    return X11{x11->connection(), xcb_window_t(XDefaultRootWindow(x11->display()))};
}

// The keycode that types `keysym` in the server's current mapping, preferring unshifted positions.
std::optional<std::uint8_t> keycodeForKeysym(xcb_connection_t* connection, std::uint32_t keysym) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const std::unique_ptr<xcb_get_keyboard_mapping_reply_t, decltype(&std::free)> mapping(
        xcb_get_keyboard_mapping_reply(
            connection, xcb_get_keyboard_mapping(connection, setup->min_keycode, std::uint8_t(count)),
            nullptr),
        &std::free);
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
    const auto x11 = qtX11();
    const auto keysym = keycodes::keysymForKeyCode(keyCode);
    if (!x11 || !keysym) {
        return false;
    }
    const auto keycode = keycodeForKeysym(x11->connection, *keysym);
    if (!keycode) {
        return false;
    }
    const std::uint16_t mask = keycodes::xModifierMask(modifiers);
    std::array<xcb_void_cookie_t, lockVariants.size()> cookies{};
    for (std::size_t i = 0; i < lockVariants.size(); ++i) {
        // Not owner events: the press reaches the root window even when one of our windows has focus.
        cookies[i] = xcb_grab_key_checked(x11->connection, 0, x11->root, mask | lockVariants[i], *keycode,
                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    }
    bool granted = true;
    for (const xcb_void_cookie_t cookie : cookies) {
        // BadAccess: another client holds this combination.
        if (xcb_generic_error_t* error = xcb_request_check(x11->connection, cookie)) {
            granted = false;
            std::free(error);
        }
    }
    if (!granted) {
        // Ungrabbing only releases this client's grabs, so the other program keeps its own.
        ungrab(x11->connection, x11->root, *keycode, mask);
        return false;
    }
    if (filteredApplication_ != QCoreApplication::instance()) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        filteredApplication_ = QCoreApplication::instance();
    }
    grab_ = Grab{x11->root, *keycode, mask};
    return true;
}

void HotKeyCenter::unregisterHotKey() {
    const auto grab = std::exchange(grab_, std::nullopt);
    const auto x11 = qtX11();
    if (grab && x11) {
        ungrab(x11->connection, grab->root, grab->keycode, grab->mask);
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
