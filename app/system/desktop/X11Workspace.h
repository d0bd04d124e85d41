#pragma once

#include "app/system/desktop/DesktopEntries.h"
#include "app/system/desktop/Workspace.h"

#include <xcb/xcb.h>

namespace snipstack {

// The workspace as the window manager publishes it (EWMH), over Qt's own X connection. Without
// one (another Qt platform) there is no front application and nothing can be activated.
// Needs the QGuiApplication to exist.
class X11Workspace final : public Workspace {
public:
    // Applications are named from `desktopEntries`, which must outlive this workspace and may be
    // shared with others on the main thread.
    explicit X11Workspace(DesktopEntries& desktopEntries);

    std::optional<RunningApplication> frontmostApplication() override;
    bool activate(const RunningApplication& application) override;

private:
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = XCB_NONE;
    xcb_atom_t activeWindowAtom_ = XCB_NONE;
    xcb_atom_t pidAtom_ = XCB_NONE;
    DesktopEntries& desktopEntries_;
};

} // namespace snipstack
