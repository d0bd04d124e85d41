#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace snipstack {

// The global shortcut. Key codes are Mac virtual key codes (2 = D, 49 = Space, 96 = F5); the modifier
// bits name physical keys, command being the Super key.
struct HotKey {
    static constexpr std::uint64_t shift = 0x20000;
    static constexpr std::uint64_t control = 0x40000;
    static constexpr std::uint64_t option = 0x80000;
    static constexpr std::uint64_t command = 0x100000;

    std::uint32_t keyCode = 0;
    std::uint64_t modifiers = 0;
    // UTF-8 name of the key, fixed when the shortcut is recorded.
    std::string key;

    bool operator==(const HotKey&) const = default;

    // Shift+Super+V: Super+D shows the desktop on KDE Plasma, Cinnamon and openbox, Super+V opens
    // GNOME's notification list. A shortcut the user stored is kept whatever it is.
    static HotKey standard() { return {9, command | shift, "V"}; }

    // Linux key names, e.g. "Ctrl+Alt+Shift+Super+K".
    std::string display() const;
    std::vector<std::string> displayParts() const;

    // Compact JSON {"keyCode", "modifiers", "key"}.
    QByteArray toJson() const;
    // Nothing unless `json` is an object whose fields have the right types and ranges.
    static std::optional<HotKey> fromJson(const QByteArray& json);

    // The name recorded for a pressed key; `characters` are what it types without modifiers (UTF-8).
    static std::string keyName(std::uint32_t keyCode, std::string_view characters);
};

} // namespace snipstack
