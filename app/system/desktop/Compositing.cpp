#include "app/system/desktop/Compositing.h"

#include "app/system/x11/X11.h"

#include <cstdlib>
#include <string>

namespace snipstack {

bool compositingManagerRunning() {
    const std::optional<x11::Connection> qt = x11::qtConnection();
    if (!qt) {
        return false;
    }
    // A compositing manager owns the selection named after the screen it composites (EWMH).
    char* host = nullptr;
    int display = 0;
    int screen = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen)) {
        std::free(host);
    }
    const xcb_atom_t selection = x11::atom(qt->connection, "_NET_WM_CM_S" + std::to_string(screen));
    if (selection == XCB_NONE) {
        return false;
    }
    const auto owner = x11::reply(xcb_get_selection_owner_reply, qt->connection,
                                  xcb_get_selection_owner(qt->connection, selection));
    return owner && owner->owner != XCB_NONE;
}

} // namespace snipstack
