#include "app/system/desktop/PasteKeystroke.h"

#include "app/system/LogCategories.h"
#include "app/system/x11/X11.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QString>
#include <algorithm>
#include <array>
#include <vector>
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
// Terminals that ignore Ctrl+Shift+V and paste only the PRIMARY selection, on Shift+Insert.
constexpr std::array primaryPastingTerminals = {"xterm", "uxterm", "urxvt"};

bool namesOneOf(std::string_view windowClass, const auto& names) {
    QString name = QString::fromUtf8(windowClass.data(), qsizetype(windowClass.size())).toLower();
    name = name.mid(name.lastIndexOf(u'.') + 1);
    return std::any_of(names.begin(), names.end(),
                       [&](const char* candidate) { return name == QLatin1String(candidate); });
}

Display* qtDisplay() {
    const std::optional<x11::Connection> qt = x11::qtConnection();
    return qt ? qt->display : nullptr;
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

// The entry went to the clipboard; a terminal pasting with Shift+Insert reads PRIMARY, so the same
// data goes there too. Only data of our own is copied: another program's would have to be fetched
// here on the main thread, and would not be the entry the user chose.
bool copyClipboardToPrimary() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* source =
        clipboard->ownsClipboard() ? clipboard->mimeData(QClipboard::Clipboard) : nullptr;
    if (!source || !clipboard->supportsSelection()) {
        qCWarning(accessibilityLog, "Not pasting with Shift+Insert: the clipboard no longer holds the entry");
        return false;
    }
    auto* copy = new QMimeData;
    for (const QString& format : source->formats()) {
        copy->setData(format, source->data(format));
    }
    clipboard->setMimeData(copy, QClipboard::Selection);
    return true;
}

std::vector<KeySym> pasteKeySyms(PasteKeys keys) {
    switch (keys) {
    case PasteKeys::controlV:
        return {XK_Control_L, XK_v};
    case PasteKeys::controlShiftV:
        return {XK_Control_L, XK_Shift_L, XK_v};
    case PasteKeys::shiftInsert:
        return {XK_Shift_L, XK_Insert};
    }
    return {};
}

} // namespace

bool canPostKeystrokes() {
    return hasXTest(qtDisplay());
}

bool isTerminalWindowClass(std::string_view windowClass) {
    return namesOneOf(windowClass, terminals);
}

PasteKeys pasteKeysFor(std::string_view windowClass) {
    if (namesOneOf(windowClass, primaryPastingTerminals)) {
        return PasteKeys::shiftInsert;
    }
    return isTerminalWindowClass(windowClass) ? PasteKeys::controlShiftV : PasteKeys::controlV;
}

bool sendPasteKeystroke(std::string_view windowClass) {
    Display* display = qtDisplay();
    if (!hasXTest(display)) {
        return false;
    }
    const PasteKeys keys = pasteKeysFor(windowClass);
    std::vector<KeyCode> codes;
    for (const KeySym sym : pasteKeySyms(keys)) {
        codes.push_back(XKeysymToKeycode(display, sym));
    }
    if (std::find(codes.begin(), codes.end(), 0) != codes.end()) {
        return false;
    }
    if (keys == PasteKeys::shiftInsert && !copyClipboardToPrimary()) {
        return false;
    }
    releaseHeldModifiers(display);
    // Modifiers first, the key last; released in the opposite order.
    for (const KeyCode code : codes) {
        XTestFakeKeyEvent(display, code, True, CurrentTime);
    }
    for (auto code = codes.rbegin(); code != codes.rend(); ++code) {
        XTestFakeKeyEvent(display, *code, False, CurrentTime);
    }
    XFlush(display);
    return true;
}

} // namespace snipstack
