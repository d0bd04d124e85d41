#include "app/system/clipboard/X11SelectionReader.h"
#include "app/system/desktop/SystemDesktop.h"
#include "tests/support/WaitUntil.h"

#include <QClipboard>
#include <QDeadlineTimer>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QProcess>
#include <QRasterWindow>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <qguiapplication_platform.h>
// After Qt's headers, whose names Xlib's macros would clash with.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace snipstack {
namespace {

// A focused window that notes the modifiers of the V or Insert key presses it gets.
class KeyWindow : public QRasterWindow {
public:
    std::optional<std::pair<int, Qt::KeyboardModifiers>> pressed;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_V || event->key() == Qt::Key_Insert) {
            pressed = {event->key(), event->modifiers()};
        }
    }
};

using snipstack::testing::runEventsFor;
using snipstack::testing::waitUntil;

// Presses or releases a key the way another program (or the user) would, on a connection of its own.
void fakeKey(KeySym key, bool down) {
    Display* display = XOpenDisplay(nullptr);
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, key), down, CurrentTime);
    XCloseDisplay(display);
}

void writeClipboard(const QString& text) {
    auto* data = new QMimeData;
    data->setText(text);
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
}

// A connection of its own, as another program would have.
struct OtherClient {
    Display* display = XOpenDisplay(nullptr);
    ~OtherClient() { XCloseDisplay(display); }
    Window primaryOwner() const { return XGetSelectionOwner(display, XA_PRIMARY); }
};

TEST(PasteKeystrokeTest, TypesTheKeysEachKindOfWindowPastesOn) {
    DesktopEntries entries;
    SystemDesktop desktop(entries);
    ASSERT_TRUE(desktop.accessibilityGranted());
    writeClipboard("entry");
    KeyWindow window;
    window.resize(200, 100);
    window.show();
    // Without a window manager the window takes the focus itself.
    ASSERT_TRUE(waitUntil([&] { return window.isExposed(); }));
    window.requestActivate();
    ASSERT_TRUE(waitUntil([&] { return window.isActive(); }));

    const auto pasteKeys = [&](std::string_view windowClass) {
        window.pressed.reset();
        EXPECT_TRUE(desktop.postPasteKeystroke(windowClass)) << windowClass;
        waitUntil([&] { return window.pressed.has_value(); });
        return window.pressed;
    };
    const auto key = [](int key, Qt::KeyboardModifiers modifiers) { return std::pair(key, modifiers); };
    EXPECT_EQ(pasteKeys("Gedit"), key(Qt::Key_V, Qt::ControlModifier));
    // The user may still hold the shortcut's Super (or Alt) when the keystroke goes out.
    fakeKey(XK_Super_L, true);
    fakeKey(XK_Alt_L, true);
    EXPECT_EQ(pasteKeys("Gedit"), key(Qt::Key_V, Qt::ControlModifier));
    EXPECT_EQ(pasteKeys("konsole"), key(Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier));
    fakeKey(XK_Super_L, true);
    EXPECT_EQ(pasteKeys("URxvt"), key(Qt::Key_Insert, Qt::ShiftModifier));
    EXPECT_EQ(pasteKeys("UXTerm"), key(Qt::Key_Insert, Qt::ShiftModifier));
    EXPECT_EQ(QGuiApplication::clipboard()->text(QClipboard::Selection), "entry");
}

TEST(PasteKeystrokeTest, XtermPastesTheEntryRatherThanThePrimarySelection) {
    ASSERT_FALSE(QStandardPaths::findExecutable("xterm").isEmpty())
        << "needs xterm (scripts/test.sh installs it)";
    DesktopEntries entries;
    SystemDesktop desktop(entries);
    QTemporaryDir directory;
    const QString windowFile = directory.filePath("window");
    const QString pastedFile = directory.filePath("pasted");
    OtherClient other;

    // Text the user selected in another program holds PRIMARY.
    QProcess selection;
    selection.start("xclip", {"-quiet", "-selection", "primary", "-in"});
    selection.write("selected elsewhere\n");
    selection.closeWriteChannel();
    ASSERT_TRUE(waitUntil([&] { return other.primaryOwner() != None; }));

    writeClipboard("the chosen entry\n");
    // The shell tells which window is its xterm's, then keeps the first line it reads.
    QProcess xterm;
    xterm.start("xterm", {"-e", "sh", "-c", R"(echo "$WINDOWID" > "$0.new" && mv "$0.new" "$0"
                                               IFS= read -r line && printf %s "$line" > "$1")",
                          windowFile, pastedFile});
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(windowFile); }));
    QFile idFile(windowFile);
    ASSERT_TRUE(idFile.open(QIODevice::ReadOnly));
    const Window xtermWindow = idFile.readAll().trimmed().toULong();
    ASSERT_NE(xtermWindow, 0u);
    // No window manager gives it the focus: this test does, once it is shown.
    ASSERT_TRUE(waitUntil([&] {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(other.display, xtermWindow, &attributes) &&
               attributes.map_state == IsViewable;
    }));
    XSetInputFocus(other.display, xtermWindow, RevertToPointerRoot, CurrentTime);
    XSync(other.display, False);

    ASSERT_TRUE(desktop.postPasteKeystroke("XTerm"));
    // xterm asks this process for PRIMARY: events must flow while it does.
    EXPECT_TRUE(waitUntil([&] { return xterm.state() == QProcess::NotRunning; }));
    QFile pasted(pastedFile);
    ASSERT_TRUE(pasted.open(QIODevice::ReadOnly));
    EXPECT_EQ(pasted.readAll(), "the chosen entry");
    selection.kill();
    selection.waitForFinished();
}

TEST(PasteKeystrokeTest, ShiftInsertIsNotTypedOnceAnotherProgramHasTakenTheClipboard) {
    DesktopEntries entries;
    SystemDesktop desktop(entries);
    auto* clipboard = QGuiApplication::clipboard();
    writeClipboard("ours");
    clipboard->setText("selected before", QClipboard::Selection);
    QProcess owner;
    owner.start(QCoreApplication::applicationFilePath(), {"--serve-clipboard", "text/plain", "theirs"});
    ASSERT_TRUE(waitUntil([&] { return !clipboard->ownsClipboard(); }));

    EXPECT_FALSE(desktop.postPasteKeystroke("XTerm"));
    EXPECT_EQ(clipboard->text(QClipboard::Selection), "selected before");
    owner.kill();
    owner.waitForFinished();
    // Qt learns of the owner's end later; the next test must not see that change as its own.
    waitUntil([&] { return !X11SelectionReader().hasOwner(); });
    runEventsFor(std::chrono::milliseconds(50));
}

} // namespace
} // namespace snipstack
