#pragma once

#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>
#include <xcb/xcb.h>

// Xlib's Display, for the few calls (XTest, XDefaultRootWindow) that have no XCB form here.
typedef struct _XDisplay Display;

namespace snipstack::x11 {

// XCB hands replies, events and errors over as malloc'd memory for the caller to free.
struct FreeWithFree {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T> using Owned = std::unique_ptr<T, FreeWithFree>;

// The reply to a request, or nothing when it failed (a window that is gone, a lost connection);
// the error, if any, is freed. `replyFunction` is XCB's xcb_..._reply for the cookie's request.
template <typename ReplyFunction, typename Cookie>
auto reply(ReplyFunction replyFunction, xcb_connection_t* connection, Cookie cookie) {
    xcb_generic_error_t* error = nullptr;
    auto* answer = replyFunction(connection, cookie, &error);
    std::free(error);
    return Owned<std::remove_pointer_t<decltype(answer)>>(answer);
}

// Qt's own X connection and the root window of its screen; nothing on another Qt platform or
// before the QGuiApplication exists.
struct Connection {
    xcb_connection_t* connection = nullptr;
    Display* display = nullptr;
    xcb_window_t root = XCB_NONE;
};
std::optional<Connection> qtConnection();

// The root window of the screen DISPLAY names, for connections of our own.
xcb_window_t rootWindow(xcb_connection_t* connection);

// The atom of `name`, created when the server does not know it yet; XCB_NONE when the request failed.
xcb_atom_t atom(xcb_connection_t* connection, std::string_view name);

} // namespace snipstack::x11
