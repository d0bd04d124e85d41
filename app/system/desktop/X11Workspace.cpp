#include "app/system/desktop/X11Workspace.h"

#include "app/system/x11/X11.h"

#include <QString>
#include <string_view>

namespace snipstack {
namespace {

// EWMH source indication for requests on the user's behalf, which window managers honour at once.
constexpr std::uint32_t pagerSource = 2;
// WM_CLASS holds two short names; anything longer is cut here.
constexpr std::uint32_t wmClassLongs = 256;

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

} // namespace

X11Workspace::X11Workspace(DesktopEntries& desktopEntries) : desktopEntries_(desktopEntries) {
    const std::optional<x11::Connection> qt = x11::qtConnection();
    if (!qt) {
        return;
    }
    connection_ = qt->connection;
    root_ = qt->root;
    activeWindowAtom_ = x11::atom(connection_, "_NET_ACTIVE_WINDOW");
    pidAtom_ = x11::atom(connection_, "_NET_WM_PID");
}

std::optional<RunningApplication> X11Workspace::frontmostApplication() {
    if (!connection_ || root_ == XCB_NONE || activeWindowAtom_ == XCB_NONE) {
        return std::nullopt;
    }
    const auto active =
        x11::reply(xcb_get_property_reply, connection_,
                   xcb_get_property(connection_, false, root_, activeWindowAtom_, XCB_ATOM_WINDOW, 0, 1));
    const auto window = cardinal(active.get(), XCB_ATOM_WINDOW);
    if (!window || *window == XCB_NONE) {
        return std::nullopt;
    }
    const auto classCookie = xcb_get_property(connection_, false, *window, XCB_ATOM_WM_CLASS,
                                              XCB_GET_PROPERTY_TYPE_ANY, 0, wmClassLongs);
    const auto pidCookie = xcb_get_property(connection_, false, *window, pidAtom_, XCB_ATOM_CARDINAL, 0, 1);
    const auto classReply = x11::reply(xcb_get_property_reply, connection_, classCookie);
    const auto pidReply = x11::reply(xcb_get_property_reply, connection_, pidCookie);
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
