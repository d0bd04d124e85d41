#pragma once

#include <QAbstractNativeEventFilter>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <optional>

class QCoreApplication;

namespace snipstack {

// The one global shortcut, grabbed on the X root window. Main thread only.
class HotKeyCenter : private QAbstractNativeEventFilter {
public:
    static HotKeyCenter& shared();

    // Runs on the main thread for each press of the registered shortcut.
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

    std::optional<Grab> grab_;
    // The application whose event dispatcher has the filter; a new application needs it again.
    QPointer<QCoreApplication> filteredApplication_;
};

} // namespace snipstack
