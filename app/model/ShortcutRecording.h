#pragma once

#include "app/model/ApplyHotKey.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace snipstack {

// The rules of the shortcut recorder while it records: every key press is consumed and either ends the
// recording (Escape, or a key with Ctrl, Alt or Super) or is refused with a beep.
class ShortcutRecording {
public:
    enum class KeyOutcome {
        // Escape: the saved shortcut is registered again.
        cancelled,
        // No Ctrl, Alt or Super held: the caller beeps and recording goes on.
        refused,
        // The new shortcut was applied (which may have fallen back to the saved one).
        recorded,
        // Not recording any more: the press is not consumed.
        ignored,
    };

    struct KeyResult {
        KeyOutcome outcome;
        // Set whenever the recording stopped.
        std::optional<HotKeyApplied> applied;
    };

    using Apply = std::function<HotKeyApplied(const std::optional<HotKey>&)>;

    // Unregisters the current shortcut at once, so that pressing it while recording does nothing;
    // `apply` runs when recording stops (the model's applyHotKey, in the app).
    ShortcutRecording(const std::function<void()>& unregister, Apply apply);
    // Stops without a new shortcut if still recording.
    ~ShortcutRecording();
    ShortcutRecording(const ShortcutRecording&) = delete;
    ShortcutRecording& operator=(const ShortcutRecording&) = delete;

    bool isRecording() const { return recording_; }

    // A key press: its virtual key code, its HotKey modifier bits (other bits are dropped) and the
    // characters it types without modifiers (UTF-8).
    KeyResult keyDown(std::uint32_t keyCode, std::uint64_t modifiers, std::string_view characters);

    // Stops without a new shortcut (the recorder toggled off or removed); the saved one comes back.
    // Nothing when recording had already stopped.
    std::optional<HotKeyApplied> cancel();

private:
    HotKeyApplied stop(const std::optional<HotKey>& hotKey);

    Apply apply_;
    bool recording_ = true;
};

} // namespace snipstack
