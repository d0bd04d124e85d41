#pragma once

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <xcb/xcb.h>

namespace snipstack::bench {

// Notes, from a thread with a connection of its own, when the clipboard's owner window changes.
class ClipboardOwnerWatch {
public:
    ClipboardOwnerWatch() : connection_(xcb_connect(nullptr, nullptr)) {
        const auto cookie = xcb_intern_atom(connection_, false, 9, "CLIPBOARD");
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(connection_, cookie, nullptr), &std::free);
        clipboard_ = reply->atom;
        const auto previous = owner();
        thread_ = std::jthread([this, previous](const std::stop_token& stop) {
            while (!stop.stop_requested() && owner() == previous) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            changedAt_ = std::chrono::steady_clock::now();
        });
    }

    ~ClipboardOwnerWatch() {
        thread_ = {};
        xcb_disconnect(connection_);
    }

    std::chrono::steady_clock::time_point changedAt() {
        thread_.join();
        return changedAt_;
    }

private:
    xcb_window_t owner() {
        const std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> reply(
            xcb_get_selection_owner_reply(connection_, xcb_get_selection_owner(connection_, clipboard_),
                                          nullptr),
            &std::free);
        return reply ? reply->owner : XCB_NONE;
    }

    xcb_connection_t* connection_;
    xcb_atom_t clipboard_ = 0;
    std::chrono::steady_clock::time_point changedAt_;
    std::jthread thread_;
};

} // namespace snipstack::bench
