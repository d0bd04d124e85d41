#include "app/system/PasteKeystroke.h"

#include <QGuiApplication>
#include <QString>
#include <algorithm>
#include <array>
#include <qguiapplication_platform.h>
// Xlib defines macros (None, Bool, KeyPress ...) that clash with Qt's headers, so it comes last.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace snipstack {
namespace {

constexpr std::array terminals = {
    "gnome-terminal", "konsole", "xterm",          "uxterm",     "urxvt",         "alacritty", "kitty",
    "terminator",     "tilix",   "xfce4-terminal", "lxterminal", "mate-terminal", "qterminal", "wezterm",
    "foot",           "st",      "terminology",    "guake",      "yakuake",       "tilda",
};

Display* qtDisplay() {
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

bool hasXTest(Display* display) {
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    return display && XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor);
}

// Key-up for every held key that the server maps to a modifier, so that a Super or Alt the user
// still holds from the global shortcut does not turn Ctrl+V into another shortcut.
void releaseHeldModifiers(Display* display) {
    char keys[32] = {};
    XQueryKeymap(display, keys);
    XModifierKeymap* modifiers = XGetModifierMapping(display);
    if (!modifiers) {
        return;
    }
    const int count = 8 * modifiers->max_keypermod;
    for (int i = 0; i < count; ++i) {
        const KeyCode key = modifiers->modifiermap[i];
        if (key != 0 && (keys[key / 8] & (1 << (key % 8)))) {
            XTestFakeKeyEvent(display, key, False, CurrentTime);
            // A key may serve two modifiers; one release is enough.
            keys[key / 8] &= char(~(1 << (key % 8)));
        }
    }
    XFreeModifiermap(modifiers);
}

} // namespace

bool canPostKeystrokes() {
    return hasXTest(qtDisplay());
}

bool isTerminalWindowClass(std::string_view windowClass) {
    QString name = QString::fromUtf8(windowClass.data(), qsizetype(windowClass.size())).toLower();
    name = name.mid(name.lastIndexOf(u'.') + 1);
    return std::any_of(terminals.begin(), terminals.end(),
                       [&](const char* terminal) { return name == QLatin1String(terminal); });
}

bool sendPasteKeystroke(std::string_view windowClass) {
    Display* display = qtDisplay();
    if (!hasXTest(display)) {
        return false;
    }
    const KeyCode control = XKeysymToKeycode(display, XK_Control_L);
    const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    const KeyCode v = XKeysymToKeycode(display, XK_v);
    const bool terminal = isTerminalWindowClass(windowClass);
    if (control == 0 || v == 0 || (terminal && shift == 0)) {
        return false;
    }
    releaseHeldModifiers(display);
    XTestFakeKeyEvent(display, control, True, CurrentTime);
    if (terminal) {
        XTestFakeKeyEvent(display, shift, True, CurrentTime);
    }
    XTestFakeKeyEvent(display, v, True, CurrentTime);
    XTestFakeKeyEvent(display, v, False, CurrentTime);
    if (terminal) {
        XTestFakeKeyEvent(display, shift, False, CurrentTime);
    }
    XTestFakeKeyEvent(display, control, False, CurrentTime);
    XFlush(display);
    return true;
}

} // namespace snipstack
