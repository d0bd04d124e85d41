#include "app/settings/ShortcutRecorder.h"

#include "tests/support/ModelTestSupport.h"

#include <QKeyEvent>
#include <X11/keysym.h>

namespace snipstack::testing {
namespace {

class ShortcutRecorderTest : public ModelFixture {
protected:
    // A key press as the X11 platform delivers it: the keysym rides along as the native virtual key.
    static void press(ShortcutRecorder& recorder, int key, std::uint32_t keysym,
                      Qt::KeyboardModifiers modifiers) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers, 0, keysym, 0);
        QCoreApplication::sendEvent(&recorder, &event);
    }
};

TEST_F(ShortcutRecorderTest, CtrlAltKBecomesTheSavedShortcut) {
    AppModel& app = makeModel();
    app.launch();
    ShortcutRecorder recorder(app);
    EXPECT_EQ(recorder.text(), "Shift+Super+V");

    recorder.click();
    EXPECT_EQ(recorder.text(), "Press shortcut…");
    EXPECT_FALSE(desktop.hotKeyHeld);
    press(recorder, Qt::Key_Control, XK_Control_L, Qt::ControlModifier);
    press(recorder, Qt::Key_A, XK_A, Qt::ShiftModifier);
    EXPECT_EQ(desktop.beeps, 1);
    EXPECT_TRUE(recorder.isRecording());

    press(recorder, Qt::Key_K, XK_k, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(app.preferences().hotKey(), (HotKey{40, HotKey::control | HotKey::option, "K"}));
    EXPECT_EQ(recorder.text(), "Ctrl+Alt+K");
    EXPECT_TRUE(desktop.hotKeyHeld);

    recorder.click();
    press(recorder, Qt::Key_Escape, XK_Escape, Qt::NoModifier);
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(recorder.text(), "Ctrl+Alt+K");
    EXPECT_TRUE(desktop.hotKeyHeld);
}

TEST_F(ShortcutRecorderTest, ARefusedShortcutIsReportedAndHidingStopsRecording) {
    AppModel& app = makeModel();
    app.launch();
    ShortcutRecorder recorder(app);
    recorder.show();
    desktop.hotKeyRegisters = false;
    recorder.click();
    press(recorder, Qt::Key_K, XK_k, Qt::ControlModifier | Qt::AltModifier);
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].title, "Shortcut unavailable");
    EXPECT_EQ(alerts.shown[0].informativeText, "That key combination is already used by another app.");
    EXPECT_EQ(app.preferences().hotKey(), HotKey::standard());
    EXPECT_FALSE(app.hotKeyRegistered());

    desktop.hotKeyRegisters = true;
    recorder.click();
    recorder.hide();
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_TRUE(desktop.hotKeyHeld);
    EXPECT_EQ(recorder.text(), "Shift+Super+V");
}

} // namespace
} // namespace snipstack::testing
