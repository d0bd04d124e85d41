#include "app/system/x11/X11.h"

#include <QGuiApplication>
#include <qguiapplication_platform.h>

namespace snipstack::x11 {

std::optional<Connection> qtConnection() {
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || xcb_connection_has_error(x11->connection())) {
        return std::nullopt;
    }
    const xcb_window_t root = rootWindow(x11->connection());
    if (root == XCB_NONE) {
        return std::nullopt;
    }
    return Connection{x11->connection(), x11->display(), root};
}

xcb_window_t rootWindow(xcb_connection_t* connection) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    if (!setup) {
        return XCB_NONE;
    }
    char* host = nullptr;
    int display = 0;
    int screen = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen)) {
        std::free(host);
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
    for (; screen > 0 && screens.rem > 1; --screen) {
        xcb_screen_next(&screens);
    }
    return screens.rem > 0 ? screens.data->root : XCB_NONE;
}

xcb_atom_t atom(xcb_connection_t* connection, std::string_view name) {
    const auto answer = reply(xcb_intern_atom_reply, connection,
                              xcb_intern_atom(connection, false, std::uint16_t(name.size()), name.data()));
    return answer ? answer->atom : XCB_NONE;
}

} // namespace snipstack::x11
