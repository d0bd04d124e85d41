#include "app/model/ApplyHotKey.h"
#include "app/system/preferences/Preferences.h"
#include "app/system/shortcut/HotKeyCenter.h"
#include "tests/support/WaitUntil.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QThread>
#include <cstdlib>
#include <gtest/gtest.h>
#include <initializer_list>
#include <iterator>
#include <xcb/xcb.h>
// After Qt's headers, whose names Xlib's macros would clash with.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace snipstack {
namespace {

class HotKeyCenterTest : public ::testing::Test {
protected:
    HotKeyCenter& center = HotKeyCenter::shared();
    Display* const display = XOpenDisplay(nullptr);
    // Another X client, which holds what grab() takes while it stays connected.
    xcb_connection_t* const other = xcb_connect(nullptr, nullptr);
    int presses = 0;

    HotKeyCenterTest() {
        center.handler = [this] { ++presses; };
    }
    ~HotKeyCenterTest() override {
        center.unregisterHotKey();
        XCloseDisplay(display);
        xcb_disconnect(other);
    }

    bool grab(KeySym key, std::uint16_t mask) {
        xcb_generic_error_t* error =
            xcb_request_check(other, xcb_grab_key_checked(other, 0, DefaultRootWindow(display), mask,
                                                          XKeysymToKeycode(display, key), XCB_GRAB_MODE_ASYNC,
                                                          XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return error == nullptr;
    }

    // Presses the keys in order and releases them in reverse, as the user would.
    void press(std::initializer_list<KeySym> keys) {
        for (const KeySym key : keys) {
            XTestFakeKeyEvent(display, XKeysymToKeycode(display, key), True, CurrentTime);
        }
        for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) {
            XTestFakeKeyEvent(display, XKeysymToKeycode(display, *key), False, CurrentTime);
        }
        XSync(display, False);
    }

    bool fires(std::initializer_list<KeySym> keys, int milliseconds = 5000) {
        const int before = presses;
        press(keys);
        return snipstack::testing::waitUntil([&] { return presses > before; },
                                             std::chrono::milliseconds(milliseconds));
    }
};

TEST_F(HotKeyCenterTest,
       HeldCombinationFallsBackWithoutPartialGrabsFiresWithNumLockAndReRegisteringKeepsOneGrab) {
    QTemporaryDir directory;
    Preferences preferences(directory.filePath("Snipstack.conf"));
    preferences.setHotKey(HotKey{2, HotKey::command, "D"});
    ASSERT_TRUE(center.registerHotKey(2, HotKey::command));
    // Only the Num Lock variant is taken: the plain one is grabbed first and must be let go again.
    ASSERT_TRUE(grab(XK_f, XCB_MOD_MASK_4 | XCB_MOD_MASK_2));
    const auto registrar = [&](const HotKey& hotKey) {
        return center.registerHotKey(hotKey.keyCode, hotKey.modifiers);
    };
    EXPECT_TRUE(applyHotKey(HotKey{3, HotKey::command, "F"}, preferences, registrar).alert);
    EXPECT_TRUE(grab(XK_f, XCB_MOD_MASK_4));
    EXPECT_TRUE(fires({XK_Super_L, XK_d}));
    EXPECT_FALSE(fires({XK_Super_L, XK_Shift_L, XK_d}, 300));
    press({XK_Num_Lock});
    EXPECT_TRUE(fires({XK_Super_L, XK_d}));
    press({XK_Num_Lock});

    ASSERT_TRUE(center.registerHotKey(40, HotKey::control | HotKey::option));
    EXPECT_FALSE(fires({XK_Super_L, XK_d}, 300));
    EXPECT_TRUE(fires({XK_Control_L, XK_Alt_L, XK_k}));
    EXPECT_TRUE(grab(XK_d, XCB_MOD_MASK_4));
}

TEST_F(HotKeyCenterTest, AHeldShortcutFiresOnceHoweverLongItIsHeld) {
    ASSERT_TRUE(center.registerHotKey(9, HotKey::command | HotKey::shift));
    const auto hold = [&](int milliseconds) {
        const int before = presses;
        const KeyCode v = XKeysymToKeycode(display, XK_v);
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, XK_Super_L), True, CurrentTime);
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, XK_Shift_L), True, CurrentTime);
        XTestFakeKeyEvent(display, v, True, CurrentTime);
        XSync(display, False);
        // Long past the server's repeat delay, so the key repeats many times meanwhile.
        snipstack::testing::runEventsFor(std::chrono::milliseconds(milliseconds));
        XTestFakeKeyEvent(display, v, False, CurrentTime);
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, XK_Shift_L), False, CurrentTime);
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, XK_Super_L), False, CurrentTime);
        XSync(display, False);
        snipstack::testing::runEventsFor(std::chrono::milliseconds(100));
        return presses - before;
    };
    EXPECT_EQ(hold(1500), 1);
    EXPECT_EQ(hold(1500), 1);
    // Quick presses in a row are each a press. (A key repeat carries the time of the release before
    // it; no hand presses again within the same millisecond, as synthetic events can.)
    EXPECT_TRUE(fires({XK_Super_L, XK_Shift_L, XK_v}));
    QThread::msleep(20);
    EXPECT_TRUE(fires({XK_Super_L, XK_Shift_L, XK_v}));
}

} // namespace
} // namespace snipstack
