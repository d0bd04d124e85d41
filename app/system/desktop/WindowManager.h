#pragma once

#include <QWindow>

// What the panel asks of the X11 window manager. Each call does nothing (or answers from Qt alone)
// on a platform other than xcb, so the windows' tests run offscreen.
namespace snipstack::windowManager {

// A compositing manager owns the _NET_WM_CM_S<screen> selection: translucency and fades show only
// then.
bool compositingManagerRunning();

// Marks an unmapped window to appear on every virtual desktop and in neither the taskbar nor the
// pager; the window manager reads the states when the window is mapped.
void keepOnEveryDesktop(QWindow& window);

// The window that has the focus now, as the window manager reports it; 0 when unknown.
WId activeWindow();

// Asks the window manager to focus a window as the user's own choice (source indication 2): window
// managers refuse an application's request made without a user's input.
void activate(WId window);

// Whether a mouse button is down anywhere on the screen; during a window manager's move the
// application sees no button events of its own.
bool pointerButtonsPressed();

} // namespace snipstack::windowManager
