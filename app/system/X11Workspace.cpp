#include "app/system/X11Workspace.h"

#include <QGuiApplication>
#include <QString>
#include <cstdlib>
#include <memory>
#include <qguiapplication_platform.h>
#include <string_view>

namespace snipstack {
namespace {

// EWMH source indication for requests on the user's behalf, which window managers honour at once.
constexpr std::uint32_t pagerSource = 2;
// WM_CLASS holds two short names; anything longer is cut here.
constexpr std::uint32_t wmClassLongs = 256;

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeReply>;

// The reply, or nothing when the request failed, e.g. because the window is gone.
Reply<xcb_get_property_reply_t> take(xcb_connection_t* connection, xcb_get_property_cookie_t cookie) {
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, &error));
    std::free(error);
    return reply;
}

// The first 32-bit value of a property of `type`.
std::optional<std::uint32_t> cardinal(const xcb_get_property_reply_t* reply, xcb_atom_t type) {
    if (!reply || reply->type != type || reply->format != 32 || xcb_get_property_value_length(reply) < 4) {
        return std::nullopt;
    }
    return *static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
}

// WM_CLASS is the instance and then the class name, each ending in a zero byte, in Latin-1.
std::pair<std::string, std::string> windowClassNames(const xcb_get_property_reply_t* reply) {
    if (!reply || reply->format != 8) {
        return {};
    }
    std::string_view value(static_cast<const char*>(xcb_get_property_value(reply)),
                           std::size_t(xcb_get_property_value_length(reply)));
    const auto instanceEnd = value.find('\0');
    const std::string_view instance = value.substr(0, instanceEnd);
    value.remove_prefix(instanceEnd == std::string_view::npos ? value.size() : instanceEnd + 1);
    const auto utf8 = [](std::string_view latin1) {
        return QString::fromLatin1(latin1.data(), qsizetype(latin1.size())).toStdString();
    };
    return {utf8(instance), utf8(value.substr(0, value.find('\0')))};
}

xcb_atom_t atom(xcb_connection_t* connection, xcb_intern_atom_cookie_t cookie) {
    xcb_generic_error_t* error = nullptr;
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookie, &error));
    std::free(error);
    return reply ? reply->atom : XCB_NONE;
}

xcb_intern_atom_cookie_t internAtom(xcb_connection_t* connection, std::string_view name) {
    return xcb_intern_atom(connection, false, std::uint16_t(name.size()), name.data());
}

// The root window of the screen named in DISPLAY, as Qt uses it.
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

} // namespace

X11Workspace::X11Workspace() {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection() || xcb_connection_has_error(x11->connection())) {
        return;
    }
    connection_ = x11->connection();
    root_ = rootWindow(connection_);
    const auto activeWindowCookie = internAtom(connection_, "_NET_ACTIVE_WINDOW");
    const auto pidCookie = internAtom(connection_, "_NET_WM_PID");
    activeWindowAtom_ = atom(connection_, activeWindowCookie);
    pidAtom_ = atom(connection_, pidCookie);
}

std::optional<RunningApplication> X11Workspace::frontmostApplication() {
    if (!connection_ || root_ == XCB_NONE || activeWindowAtom_ == XCB_NONE) {
        return std::nullopt;
    }
    const auto active = take(
        connection_, xcb_get_property(connection_, false, root_, activeWindowAtom_, XCB_ATOM_WINDOW, 0, 1));
    const auto window = cardinal(active.get(), XCB_ATOM_WINDOW);
    if (!window || *window == XCB_NONE) {
        return std::nullopt;
    }
    const auto classCookie = xcb_get_property(connection_, false, *window, XCB_ATOM_WM_CLASS,
                                              XCB_GET_PROPERTY_TYPE_ANY, 0, wmClassLongs);
    const auto pidCookie = xcb_get_property(connection_, false, *window, pidAtom_, XCB_ATOM_CARDINAL, 0, 1);
    const auto classReply = take(connection_, classCookie);
    const auto pidReply = take(connection_, pidCookie);
    // The window manager has not yet noticed that the active window is gone.
    if (!classReply) {
        return std::nullopt;
    }

    RunningApplication application;
    application.window = *window;
    application.processID = cardinal(pidReply.get(), XCB_ATOM_CARDINAL).value_or(0);
    auto [instance, windowClass] = windowClassNames(classReply.get());
    if (const auto entry = desktopEntries_.find(instance, windowClass)) {
        application.bundleIdentifier = entry->id;
        application.localizedName = entry->name;
        application.iconName = entry->iconName;
    }
    if (!windowClass.empty()) {
        if (!application.bundleIdentifier) {
            application.bundleIdentifier = QString::fromStdString(windowClass).toLower().toStdString();
        }
        if (!application.localizedName) {
            application.localizedName = windowClass;
        }
    }
    application.windowClass = std::move(windowClass);
    return application;
}

bool X11Workspace::activate(const RunningApplication& application) {
    if (!connection_ || root_ == XCB_NONE || activeWindowAtom_ == XCB_NONE ||
        application.window == XCB_NONE) {
        return false;
    }
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = application.window;
    event.type = activeWindowAtom_;
    event.data.data32[0] = pagerSource;
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection_, false, root_,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    return xcb_flush(connection_) > 0;
}

} // namespace snipstack
