#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <cstdint>
#include <functional>

struct xcb_connection_t;

namespace snipstack {

// What X11 tells about the CLIPBOARD selection's owner, on Qt's own connection: that the owner quit
// (XFixes: its window was destroyed or its connection closed), and, while we hold the freedesktop
// CLIPBOARD_MANAGER selection, that an owner about to quit asks us to keep its content
// (SAVE_TARGETS). Main thread only; does nothing off X11.
class X11ClipboardManager final : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    X11ClipboardManager();
    ~X11ClipboardManager() override;
    X11ClipboardManager(const X11ClipboardManager&) = delete;
    X11ClipboardManager& operator=(const X11ClipboardManager&) = delete;

    // Delivered from the event loop.
    std::function<void()> onOwnerGone;
    // The owner waits for the answer; `done` may be called later, once.
    std::function<void(std::function<void(bool kept)> done)> onSaveRequest;

    // Whether any client owns CLIPBOARD.
    bool clipboardHasOwner();
    // Takes CLIPBOARD_MANAGER unless another clipboard manager holds it; false then.
    bool acquire();

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Request {
        std::uint32_t time;
        std::uint32_t requestor;
        std::uint32_t target;
        std::uint32_t property;
    };
    void answer(const Request& request, bool done);
    void answerTargets(const Request& request);

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    std::uint32_t window_ = 0;
    std::uint8_t xfixesEvent_ = 0;
    std::uint32_t clipboard_ = 0;
    std::uint32_t manager_ = 0;
    std::uint32_t saveTargets_ = 0;
    std::uint32_t targets_ = 0;
    std::uint32_t null_ = 0;
    std::uint32_t managerMessage_ = 0;
    bool owning_ = false;
};

} // namespace snipstack
