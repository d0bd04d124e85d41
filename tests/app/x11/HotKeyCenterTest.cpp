#include "app/system/HotKeyCenter.h"

#include "app/system/ApplyHotKey.h"
#include "app/system/Preferences.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>
#include <initializer_list>
#include <vector>
#include <xcb/xcb.h>
// After Qt's headers, whose names Xlib's macros would clash with.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace snipstack {
namespace {

// Another X client that may hold key grabs of its own.
class OtherClient {
public:
    OtherClient() : connection_(xcb_connect(nullptr, nullptr)) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    }
    ~OtherClient() { xcb_disconnect(connection_); }
    OtherClient(OtherClient&&) = delete;

    bool grab(KeySym key, std::uint16_t mask) {
        Display* display = XOpenDisplay(nullptr);
        const KeyCode keycode = XKeysymToKeycode(display, key);
        XCloseDisplay(display);
        xcb_generic_error_t* error =
            xcb_request_check(connection_, xcb_grab_key_checked(connection_, 0, root_, mask, keycode,
                                                                XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return error == nullptr;
    }

private:
    xcb_connection_t* connection_;
    xcb_window_t root_;
};

// Presses the keys in order and releases them in reverse, as the user would, on a connection of its own.
void press(std::initializer_list<KeySym> keys) {
    Display* display = XOpenDisplay(nullptr);
    std::vector<KeyCode> codes;
    for (const KeySym key : keys) {
        codes.push_back(XKeysymToKeycode(display, key));
        XTestFakeKeyEvent(display, codes.back(), True, CurrentTime);
    }
    for (auto code = codes.rbegin(); code != codes.rend(); ++code) {
        XTestFakeKeyEvent(display, *code, False, CurrentTime);
    }
    XCloseDisplay(display);
}

class HotKeyCenterTest : public ::testing::Test {
protected:
    HotKeyCenter& center = HotKeyCenter::shared();
    int presses = 0;

    void SetUp() override {
        center.handler = [this] { ++presses; };
    }
    void TearDown() override {
        center.unregisterHotKey();
        center.handler = nullptr;
    }

    // Whether the handler ran for the keys within `milliseconds`.
    bool fires(std::initializer_list<KeySym> keys, int milliseconds = 5000) {
        const int before = presses;
        press(keys);
        for (QDeadlineTimer deadline(milliseconds); presses == before && !deadline.hasExpired();) {
            QGuiApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return presses > before;
    }
};

TEST_F(HotKeyCenterTest, ShortcutFiresWithAndWithoutNumLockOrCapsLock) {
    ASSERT_TRUE(center.registerHotKey(2, HotKey::command));
    EXPECT_TRUE(fires({XK_Super_L, XK_d}));
    EXPECT_FALSE(fires({XK_Super_L, XK_Shift_L, XK_d}, 300));
    EXPECT_FALSE(fires({XK_Control_L, XK_d}, 300));

    press({XK_Num_Lock});
    EXPECT_TRUE(fires({XK_Super_L, XK_d}));
    press({XK_Caps_Lock});
    EXPECT_TRUE(fires({XK_Super_L, XK_d}));
    press({XK_Num_Lock});
    press({XK_Caps_Lock});
}

TEST_F(HotKeyCenterTest, CombinationHeldElsewhereFailsWithoutPartialGrabsAndTheSavedOneComesBack) {
    QTemporaryDir directory;
    Preferences preferences(directory.filePath("Snipstack.conf"));
    ASSERT_TRUE(center.registerHotKey(2, HotKey::command));
    OtherClient other;
    // Only the Num Lock variant is taken, so the plain one is grabbed first and must be let go again.
    ASSERT_TRUE(other.grab(XK_f, XCB_MOD_MASK_4 | XCB_MOD_MASK_2));

    const HotKeyApplied applied = applyHotKey(HotKey{3, HotKey::command, "F"}, preferences);
    EXPECT_TRUE(applied.registered);
    EXPECT_TRUE(applied.alert);
    EXPECT_EQ(preferences.hotKey(), HotKey::standard());
    EXPECT_TRUE(OtherClient().grab(XK_f, XCB_MOD_MASK_4));
    EXPECT_TRUE(fires({XK_Super_L, XK_d}));
}

TEST_F(HotKeyCenterTest, RegisteringAgainReleasesTheOldCombination) {
    ASSERT_TRUE(center.registerHotKey(2, HotKey::command));
    ASSERT_TRUE(center.registerHotKey(40, HotKey::control | HotKey::option));
    EXPECT_FALSE(fires({XK_Super_L, XK_d}, 300));
    EXPECT_TRUE(fires({XK_Control_L, XK_Alt_L, XK_k}));
    EXPECT_TRUE(OtherClient().grab(XK_d, XCB_MOD_MASK_4));
}

} // namespace
} // namespace snipstack
