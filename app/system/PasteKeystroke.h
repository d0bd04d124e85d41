#pragma once

#include <string_view>

namespace snipstack {

// Whether the X server offers XTest, through Qt's X11 connection; false on other Qt platforms.
bool canPostKeystrokes();

// Whether a WM_CLASS class names a terminal emulator, which pastes on Ctrl+Shift+V instead of Ctrl+V.
// Ignores case and a reverse-DNS prefix ("org.wezfurlong.wezterm").
bool isTerminalWindowClass(std::string_view windowClass);

// Releases every modifier key still held, then types Ctrl+V (Ctrl+Shift+V into a terminal emulator)
// with XTest. False when that cannot be done.
bool sendPasteKeystroke(std::string_view windowClass);

} // namespace snipstack
