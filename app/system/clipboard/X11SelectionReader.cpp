#include "app/system/clipboard/X11SelectionReader.h"

#include "app/system/x11/X11.h"

#include <algorithm>
#include <cstring>
#include <poll.h>
#include <xcb/xcb.h>

namespace snipstack {

namespace {

using Clock = X11SelectionReader::Clock;

using x11::Owned;

// The first event `matches` accepts; every other event is dropped, as this connection's only window
// exists for these transfers.
template <typename Predicate>
Owned<xcb_generic_event_t> waitForEvent(xcb_connection_t* connection, Clock::time_point deadline,
                                        Predicate matches) {
    xcb_flush(connection);
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            Owned<xcb_generic_event_t> owned(event);
            if (matches(event->response_type & 0x7f, event)) {
                return owned;
            }
        }
        const auto left = deadline - Clock::now();
        if (xcb_connection_has_error(connection) || left <= Clock::duration::zero()) {
            return nullptr;
        }
        pollfd descriptor{xcb_get_file_descriptor(connection), POLLIN, 0};
        ::poll(&descriptor, 1, static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count()));
    }
}

Owned<xcb_get_property_reply_t> takeProperty(xcb_connection_t* connection, xcb_window_t window,
                                             xcb_atom_t property, bool remove) {
    const auto cookie = xcb_get_property(connection, remove, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                         X11SelectionReader::maxValueBytes / 4 + 1);
    return Owned<xcb_get_property_reply_t>(xcb_get_property_reply(connection, cookie, nullptr));
}

Bytes valueOf(xcb_get_property_reply_t* reply) {
    const auto* value = static_cast<const std::uint8_t*>(xcb_get_property_value(reply));
    return Bytes(value, value + xcb_get_property_value_length(reply));
}

} // namespace

X11SelectionReader::~X11SelectionReader() {
    disconnect();
}

bool X11SelectionReader::hasOwner() {
    if (!connect()) {
        return false;
    }
    const auto cookie = xcb_get_selection_owner(connection_, clipboard_);
    const Owned<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(connection_, cookie, nullptr));
    return reply && reply->owner != XCB_NONE;
}

X11SelectionReader::Result X11SelectionReader::read(std::string_view target,
                                                    std::chrono::milliseconds patience,
                                                    Clock::time_point deadline) {
    if (!connect()) {
        return {};
    }
    const auto waitLimit = [&] { return std::min(Clock::now() + patience, deadline); };
    // A real timestamp, echoed in the answer, tells it apart from a late answer to an earlier request.
    const auto time = serverTime(waitLimit());
    if (!time) {
        return {Status::timedOut, {}};
    }
    const auto targetAtom = atom(target);
    xcb_delete_property(connection_, window_, property_);
    xcb_convert_selection(connection_, window_, clipboard_, targetAtom, property_, *time);
    const auto event = waitForEvent(connection_, waitLimit(), [&](int type, xcb_generic_event_t* event) {
        const auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(event);
        return type == XCB_SELECTION_NOTIFY && notify->requestor == window_ && notify->target == targetAtom &&
               (notify->time == *time || notify->time == XCB_CURRENT_TIME);
    });
    if (!event) {
        return {Status::timedOut, {}};
    }
    if (reinterpret_cast<xcb_selection_notify_event_t*>(event.get())->property == XCB_NONE) {
        return {};
    }
    const auto reply = takeProperty(connection_, window_, property_, false);
    if (!reply || reply->type == XCB_NONE) {
        return {};
    }
    if (reply->type == incr_) {
        // The announcement holds a lower bound of the size, so the value rarely has to be regrown:
        // growing would hold it twice for a moment.
        std::uint32_t sizeHint = 0;
        if (xcb_get_property_value_length(reply.get()) >= 4) {
            std::memcpy(&sizeHint, xcb_get_property_value(reply.get()), sizeof sizeHint);
        }
        return readIncrementally(patience, deadline, sizeHint);
    }
    xcb_delete_property(connection_, window_, property_);
    xcb_flush(connection_);
    return {Status::delivered, valueOf(reply.get())};
}

X11SelectionReader::Result X11SelectionReader::readIncrementally(std::chrono::milliseconds patience,
                                                                 Clock::time_point deadline,
                                                                 std::size_t sizeHint) {
    // Deleting the announcement asks for the first piece; deleting each piece asks for the next, and
    // an empty piece ends the transfer.
    xcb_delete_property(connection_, window_, property_);
    Result result{Status::delivered, {}};
    result.data.reserve(std::min(sizeHint, maxValueBytes + 1));
    for (;;) {
        const auto event =
            waitForEvent(connection_, std::min(Clock::now() + patience, deadline),
                         [&](int type, xcb_generic_event_t* event) {
                             const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
                             return type == XCB_PROPERTY_NOTIFY && notify->window == window_ &&
                                    notify->atom == property_ && notify->state == XCB_PROPERTY_NEW_VALUE;
                         });
        if (!event) {
            return {Status::timedOut, {}};
        }
        const auto reply = takeProperty(connection_, window_, property_, true);
        if (!reply) {
            return {};
        }
        const auto piece = valueOf(reply.get());
        if (piece.empty()) {
            xcb_flush(connection_);
            return result;
        }
        // The rest is still taken piece by piece, so the owner finishes and no stale piece is left
        // for a later transfer, but none of it is kept.
        const std::size_t room = maxValueBytes + 1 - std::min(result.data.size(), maxValueBytes + 1);
        result.data.insert(result.data.end(), piece.begin(),
                           piece.begin() + static_cast<std::ptrdiff_t>(std::min(room, piece.size())));
    }
}

std::vector<std::string> X11SelectionReader::atomNames(const Bytes& targets) {
    if (!connect()) {
        return {};
    }
    std::vector<xcb_atom_t> atoms(targets.size() / sizeof(xcb_atom_t));
    std::copy_n(targets.begin(), atoms.size() * sizeof(xcb_atom_t),
                reinterpret_cast<std::uint8_t*>(atoms.data()));
    std::vector<std::pair<xcb_atom_t, xcb_get_atom_name_cookie_t>> pending;
    for (const auto atom : atoms) {
        if (atom != XCB_NONE && !names_.contains(atom)) {
            pending.emplace_back(atom, xcb_get_atom_name(connection_, atom));
        }
    }
    for (const auto& [atom, cookie] : pending) {
        const Owned<xcb_get_atom_name_reply_t> reply(xcb_get_atom_name_reply(connection_, cookie, nullptr));
        if (reply) {
            std::string name(xcb_get_atom_name_name(reply.get()), xcb_get_atom_name_name_length(reply.get()));
            atoms_.emplace(name, atom);
            names_.emplace(atom, std::move(name));
        }
    }
    std::vector<std::string> names;
    for (const auto atom : atoms) {
        if (const auto found = names_.find(atom); found != names_.end()) {
            names.push_back(found->second);
        }
    }
    return names;
}

bool X11SelectionReader::connect() {
    if (connection_ && !xcb_connection_has_error(connection_)) {
        return true;
    }
    disconnect();
    connection_ = xcb_connect(nullptr, nullptr);
    const xcb_window_t root =
        xcb_connection_has_error(connection_) ? xcb_window_t(XCB_NONE) : x11::rootWindow(connection_);
    if (root == XCB_NONE) {
        disconnect();
        return false;
    }
    window_ = xcb_generate_id(connection_);
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
    clipboard_ = atom("CLIPBOARD");
    property_ = atom("SNIPSTACK_SELECTION");
    timeProperty_ = atom("SNIPSTACK_TIME");
    incr_ = atom("INCR");
    return !xcb_connection_has_error(connection_);
}

void X11SelectionReader::disconnect() {
    if (connection_) {
        xcb_disconnect(connection_);
    }
    connection_ = nullptr;
    atoms_.clear();
    names_.clear();
}

std::uint32_t X11SelectionReader::atom(std::string_view name) {
    if (const auto found = atoms_.find(name); found != atoms_.end()) {
        return found->second;
    }
    const xcb_atom_t interned = x11::atom(connection_, name);
    if (interned == XCB_NONE) {
        return XCB_NONE;
    }
    atoms_.emplace(std::string(name), interned);
    names_.emplace(interned, std::string(name));
    return interned;
}

std::optional<std::uint32_t> X11SelectionReader::serverTime(Clock::time_point deadline) {
    // Appending nothing to a property changes nothing but makes the server report the time.
    xcb_change_property(connection_, XCB_PROP_MODE_APPEND, window_, timeProperty_, XCB_ATOM_STRING, 8, 0,
                        nullptr);
    const auto event = waitForEvent(connection_, deadline, [&](int type, xcb_generic_event_t* event) {
        const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
        return type == XCB_PROPERTY_NOTIFY && notify->window == window_ && notify->atom == timeProperty_;
    });
    if (!event) {
        return std::nullopt;
    }
    return reinterpret_cast<xcb_property_notify_event_t*>(event.get())->time;
}

} // namespace snipstack
