#include "app/model/ShortcutRecording.h"

#include <utility>

namespace snipstack {
namespace {

constexpr std::uint32_t escapeKeyCode = 53;
constexpr std::uint64_t hotKeyModifiers = HotKey::shift | HotKey::control | HotKey::option | HotKey::command;

} // namespace

ShortcutRecording::ShortcutRecording(const std::function<void()>& unregister, Apply apply)
    : apply_(std::move(apply)) {
    unregister();
}

ShortcutRecording::~ShortcutRecording() {
    if (recording_) {
        stop(std::nullopt);
    }
}

ShortcutRecording::KeyResult ShortcutRecording::keyDown(std::uint32_t keyCode, std::uint64_t modifiers,
                                                        std::string_view characters) {
    if (!recording_) {
        return {KeyOutcome::ignored, std::nullopt};
    }
    if (keyCode == escapeKeyCode) {
        return {KeyOutcome::cancelled, stop(std::nullopt)};
    }
    // Shift alone would take a key away from typing everywhere.
    if (!(modifiers & (HotKey::control | HotKey::option | HotKey::command))) {
        return {KeyOutcome::refused, std::nullopt};
    }
    const HotKey hotKey{keyCode, modifiers & hotKeyModifiers, HotKey::keyName(keyCode, characters)};
    return {KeyOutcome::recorded, stop(hotKey)};
}

std::optional<HotKeyApplied> ShortcutRecording::cancel() {
    if (!recording_) {
        return std::nullopt;
    }
    return stop(std::nullopt);
}

HotKeyApplied ShortcutRecording::stop(const std::optional<HotKey>& hotKey) {
    recording_ = false;
    return apply_(hotKey);
}

} // namespace snipstack
