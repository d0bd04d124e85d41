#include "app/system/clipboard/X11ClipboardManager.h"

#include "app/system/LogCategories.h"
#include "app/system/x11/X11.h"

#include <QCoreApplication>
#include <QPointer>
#include <array>
#include <xcb/xfixes.h>

namespace snipstack {

X11ClipboardManager::X11ClipboardManager() {
    const std::optional<x11::Connection> qt = x11::qtConnection();
    if (!qt) {
        return;
    }
    connection_ = qt->connection;
    root_ = qt->root;
    clipboard_ = x11::atom(connection_, "CLIPBOARD");
    manager_ = x11::atom(connection_, "CLIPBOARD_MANAGER");
    saveTargets_ = x11::atom(connection_, "SAVE_TARGETS");
    targets_ = x11::atom(connection_, "TARGETS");
    null_ = x11::atom(connection_, "NULL");
    managerMessage_ = x11::atom(connection_, "MANAGER");

    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(connection_, &xcb_xfixes_id);
    if (xfixes && xfixes->present) {
        xfixesEvent_ = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
        // Qt's connection has negotiated XFixes already; the events come to the root window, which
        // tells them apart from those Qt asks for on its own window.
        xcb_xfixes_select_selection_input(connection_, root_, clipboard_,
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    } else {
        qCWarning(clipboardLog, "The X server has no XFixes; the clipboard is not kept when its owner quits");
    }
    window_ = xcb_generate_id(connection_);
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, root_, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_flush(connection_);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11ClipboardManager::~X11ClipboardManager() {
    if (!connection_) {
        return;
    }
    QCoreApplication::instance()->removeNativeEventFilter(this);
    xcb_destroy_window(connection_, window_);
    xcb_flush(connection_);
}

bool X11ClipboardManager::clipboardHasOwner() {
    if (!connection_) {
        return false;
    }
    const auto owner = x11::reply(xcb_get_selection_owner_reply, connection_,
                                  xcb_get_selection_owner(connection_, clipboard_));
    return owner && owner->owner != XCB_NONE;
}

bool X11ClipboardManager::acquire() {
    if (!connection_) {
        return false;
    }
    const auto owner = x11::reply(xcb_get_selection_owner_reply, connection_,
                                  xcb_get_selection_owner(connection_, manager_));
    if (owner && owner->owner != XCB_NONE && owner->owner != window_) {
        qCInfo(clipboardLog, "Another clipboard manager runs; programs that quit hand their clipboard to it");
        return false;
    }
    xcb_set_selection_owner(connection_, window_, manager_, XCB_CURRENT_TIME);
    const auto now = x11::reply(xcb_get_selection_owner_reply, connection_,
                                xcb_get_selection_owner(connection_, manager_));
    owning_ = now && now->owner == window_;
    if (!owning_) {
        qCInfo(clipboardLog, "Another clipboard manager took the role first");
        return false;
    }
    // Announced as managers of selections announce themselves, for clients waiting for one.
    xcb_client_message_event_t announcement{};
    announcement.response_type = XCB_CLIENT_MESSAGE;
    announcement.format = 32;
    announcement.window = root_;
    announcement.type = managerMessage_;
    announcement.data.data32[0] = XCB_CURRENT_TIME;
    announcement.data.data32[1] = manager_;
    announcement.data.data32[2] = window_;
    xcb_send_event(connection_, false, root_, XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&announcement));
    xcb_flush(connection_);
    return true;
}

bool X11ClipboardManager::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || !connection_) {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & 0x7f;

    if (xfixesEvent_ != 0 && type == xfixesEvent_) {
        const auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
        if (notify->window == root_ && notify->selection == clipboard_ && notify->owner == XCB_NONE) {
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (onOwnerGone) {
                        onOwnerGone();
                    }
                },
                Qt::QueuedConnection);
            return true;
        }
        return false;
    }
    if (type == XCB_SELECTION_CLEAR) {
        const auto* clear = reinterpret_cast<const xcb_selection_clear_event_t*>(event);
        if (clear->owner == window_ && clear->selection == manager_) {
            owning_ = false;
            qCInfo(clipboardLog, "Another clipboard manager took over the role");
            return true;
        }
        return false;
    }
    if (type != XCB_SELECTION_REQUEST) {
        return false;
    }
    const auto* selection = reinterpret_cast<const xcb_selection_request_event_t*>(event);
    if (selection->owner != window_ || selection->selection != manager_) {
        return false;
    }
    // A property of None is the old convention for "the target's own name".
    const Request request{selection->time, selection->requestor, selection->target,
                          selection->property == XCB_NONE ? selection->target : selection->property};
    if (request.target == targets_) {
        answerTargets(request);
    } else if (request.target == saveTargets_ && owning_ && onSaveRequest) {
        QPointer<X11ClipboardManager> self(this);
        onSaveRequest([self, request](bool kept) {
            if (self) {
                self->answer(request, kept);
            }
        });
    } else {
        answer(request, false);
    }
    return true;
}

void X11ClipboardManager::answerTargets(const Request& request) {
    const std::array<xcb_atom_t, 2> offered{targets_, saveTargets_};
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                        XCB_ATOM_ATOM, 32, offered.size(), offered.data());
    answer(request, true);
}

void X11ClipboardManager::answer(const Request& request, bool done) {
    if (done && request.target == saveTargets_) {
        // SAVE_TARGETS converts to nothing: an empty property of type NULL says it succeeded.
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request.requestor, request.property, null_,
                            32, 0, nullptr);
    }
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = manager_;
    notify.target = request.target;
    notify.property = done ? request.property : XCB_NONE;
    xcb_send_event(connection_, false, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&notify));
    xcb_flush(connection_);
}

} // namespace snipstack
