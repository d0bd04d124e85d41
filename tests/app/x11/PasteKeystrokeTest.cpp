#include "app/system/SystemServices.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QRasterWindow>
#include <gtest/gtest.h>
#include <optional>
#include <qguiapplication_platform.h>
// After Qt's headers, whose names Xlib's macros would clash with.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace snipstack {
namespace {

// A focused window that notes the modifiers of the V key presses it gets.
class KeyWindow : public QRasterWindow {
public:
    std::optional<Qt::KeyboardModifiers> pasteModifiers;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_V) {
            pasteModifiers = event->modifiers();
        }
    }
};

bool processEventsUntil(const std::function<bool()>& done) {
    for (QDeadlineTimer deadline(5000); !done() && !deadline.hasExpired();) {
        QGuiApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

// Presses or releases a key the way another program (or the user) would, on a connection of its own.
void fakeKey(KeySym key, bool down) {
    Display* display = XOpenDisplay(nullptr);
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, key), down, CurrentTime);
    XCloseDisplay(display);
}

TEST(PasteKeystrokeTest, TypesPlainCtrlVWhileSuperIsHeldAndCtrlShiftVIntoTerminals) {
    SystemServices services;
    ASSERT_TRUE(services.accessGranted());
    KeyWindow window;
    window.resize(200, 100);
    window.show();
    // Without a window manager the window takes the focus itself.
    ASSERT_TRUE(processEventsUntil([&] { return window.isExposed(); }));
    window.requestActivate();
    ASSERT_TRUE(processEventsUntil([&] { return window.isActive(); }));

    const auto pasteModifiers = [&](std::string_view windowClass) {
        window.pasteModifiers.reset();
        EXPECT_TRUE(services.postPasteKeystroke(windowClass));
        processEventsUntil([&] { return window.pasteModifiers.has_value(); });
        return window.pasteModifiers;
    };
    EXPECT_EQ(pasteModifiers("Gedit"), Qt::ControlModifier);
    // The user may still hold the shortcut's Super (or Alt) when the keystroke goes out.
    fakeKey(XK_Super_L, true);
    fakeKey(XK_Alt_L, true);
    EXPECT_EQ(pasteModifiers("Gedit"), Qt::ControlModifier);
    EXPECT_EQ(pasteModifiers("XTerm"), Qt::ControlModifier | Qt::ShiftModifier);
}

} // namespace
} // namespace snipstack
