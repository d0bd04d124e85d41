#pragma once

#include <string_view>

namespace snipstack {

// Whether the X server offers XTest, through Qt's X11 connection; false on other Qt platforms.
bool canPostKeystrokes();

// Whether a WM_CLASS class names a terminal emulator, which pastes on Ctrl+Shift+V instead of Ctrl+V.
// Ignores case and a reverse-DNS prefix ("org.wezfurlong.wezterm").
bool isTerminalWindowClass(std::string_view windowClass);

enum class PasteKeys { controlV, controlShiftV, shiftInsert };

// The keys that paste into a window of that WM_CLASS class: Shift+Insert for the terminals that
// paste only the PRIMARY selection (xterm, uxterm, urxvt), Ctrl+Shift+V for other terminals.
PasteKeys pasteKeysFor(std::string_view windowClass);

// Releases every modifier key still held, then types the window class's paste keys with XTest.
// Before Shift+Insert, what this process owns on the clipboard is put into PRIMARY as well. False,
// with nothing typed, when the keys cannot be posted or Shift+Insert would paste something else
// because another program has taken the clipboard.
bool sendPasteKeystroke(std::string_view windowClass);

} // namespace snipstack
