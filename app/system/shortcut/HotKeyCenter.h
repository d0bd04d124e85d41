#pragma once

#include <QAbstractNativeEventFilter>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <optional>

class QCoreApplication;
struct xcb_key_press_event_t;

namespace snipstack {

// The one global shortcut, grabbed on the X root window. Main thread only.
class HotKeyCenter : private QAbstractNativeEventFilter {
public:
    static HotKeyCenter& shared();

    // Runs on the main thread for each press of the registered shortcut; a held shortcut's key
    // repeats are not presses.
    std::function<void()> handler;

    // Replaces the current shortcut (a virtual key code and HotKey modifier bits). False when another
    // program holds the combination, the key has no keycode or Qt does not run on X11; nothing is
    // registered then.
    bool registerHotKey(std::uint32_t keyCode, std::uint64_t modifiers);
    void unregisterHotKey();
    bool isRegistered() const { return grab_.has_value(); }

private:
    struct Grab {
        std::uint32_t root;
        std::uint8_t keycode;
        std::uint16_t mask;
    };

    HotKeyCenter() = default;
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

    bool isRepeat(const xcb_key_press_event_t& press);

    std::optional<Grab> grab_;
    // The shortcut's key is down: set by a press, cleared by its release.
    bool held_ = false;
    std::uint32_t lastPressTime_ = 0;
    std::uint32_t lastReleaseTime_ = 0;
    // The application whose event dispatcher has the filter; a new application needs it again.
    QPointer<QCoreApplication> filteredApplication_;
};

} // namespace snipstack
