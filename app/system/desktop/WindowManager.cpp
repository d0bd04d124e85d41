#include "app/system/desktop/WindowManager.h"

#include "app/system/x11/X11.h"

#include <QGuiApplication>
#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace snipstack::windowManager {

namespace {

int screenNumber() {
    char* host = nullptr;
    int display = 0;
    int screen = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen)) {
        std::free(host);
    }
    return screen;
}

void sendToRoot(const x11::Connection& x, xcb_window_t window, xcb_atom_t type,
                const std::array<std::uint32_t, 5>& data) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    std::copy(data.begin(), data.end(), event.data.data32);
    xcb_send_event(x.connection, false, x.root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(x.connection);
}

} // namespace

bool compositingManagerRunning() {
    const auto x = x11::qtConnection();
    if (!x) {
        return false;
    }
    const std::string name = "_NET_WM_CM_S" + std::to_string(screenNumber());
    const xcb_atom_t selection = x11::atom(x->connection, name);
    if (selection == XCB_NONE) {
        return false;
    }
    const auto owner = x11::reply(xcb_get_selection_owner_reply, x->connection,
                                  xcb_get_selection_owner(x->connection, selection));
    return owner && owner->owner != XCB_NONE;
}

void keepOnEveryDesktop(QWindow& window) {
    const auto x = x11::qtConnection();
    if (!x) {
        return;
    }
    const auto id = static_cast<xcb_window_t>(window.winId());
    const xcb_atom_t stateAtom = x11::atom(x->connection, "_NET_WM_STATE");
    // Qt writes its own states (above, modal) into this property when it maps the window, keeping
    // those already there.
    std::vector<xcb_atom_t> states;
    if (const auto current =
            x11::reply(xcb_get_property_reply, x->connection,
                       xcb_get_property(x->connection, false, id, stateAtom, XCB_ATOM_ATOM, 0, 64));
        current && current->format == 32) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(current.get()));
        states.assign(atoms, atoms + xcb_get_property_value_length(current.get()) / 4);
    }
    for (const char* name :
         {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_STICKY"}) {
        const xcb_atom_t state = x11::atom(x->connection, name);
        if (state != XCB_NONE && std::ranges::find(states, state) == states.end()) {
            states.push_back(state);
        }
    }
    xcb_change_property(x->connection, XCB_PROP_MODE_REPLACE, id, stateAtom, XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(states.size()), states.data());
    const std::uint32_t allDesktops = 0xFFFFFFFF;
    xcb_change_property(x->connection, XCB_PROP_MODE_REPLACE, id, x11::atom(x->connection, "_NET_WM_DESKTOP"),
                        XCB_ATOM_CARDINAL, 32, 1, &allDesktops);
    xcb_flush(x->connection);
}

WId activeWindow() {
    const auto x = x11::qtConnection();
    if (!x) {
        return 0;
    }
    const auto active =
        x11::reply(xcb_get_property_reply, x->connection,
                   xcb_get_property(x->connection, false, x->root,
                                    x11::atom(x->connection, "_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 0, 1));
    if (!active || active->format != 32 || xcb_get_property_value_length(active.get()) < 4) {
        return 0;
    }
    return *static_cast<const xcb_window_t*>(xcb_get_property_value(active.get()));
}

void activate(WId window) {
    const auto x = x11::qtConnection();
    if (!x || window == 0) {
        return;
    }
    constexpr std::uint32_t sourcePager = 2;
    sendToRoot(*x, static_cast<xcb_window_t>(window), x11::atom(x->connection, "_NET_ACTIVE_WINDOW"),
               {sourcePager, XCB_CURRENT_TIME, 0, 0, 0});
}

bool pointerButtonsPressed() {
    const auto x = x11::qtConnection();
    if (!x) {
        return QGuiApplication::mouseButtons() != Qt::NoButton;
    }
    const auto pointer =
        x11::reply(xcb_query_pointer_reply, x->connection, xcb_query_pointer(x->connection, x->root));
    constexpr std::uint16_t buttons =
        XCB_KEY_BUT_MASK_BUTTON_1 | XCB_KEY_BUT_MASK_BUTTON_2 | XCB_KEY_BUT_MASK_BUTTON_3;
    return pointer && (pointer->mask & buttons) != 0;
}

} // namespace snipstack::windowManager
