#pragma once

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

namespace snipstack {

// The settings stored by raw value. Display texts are the settings window's labels; key symbols are
// Linux key names ("Ctrl-click" where a Mac shows "⌘ Command-click").
enum class ThemeChoice { system, light, dark };
enum class WindowLook { translucent, glass };
enum class PanelPlacement { rightEdge, remembered, center, pointer };
enum class ItemAction { paste, moveToTop, edit, pin, remove, nothing };
enum class ClickKind { plain, command, option, shift };
enum class PenThickness { fine, medium, bold, marker };

template <typename E> struct EnumCase {
    E value;
    std::string_view raw;
    std::string_view display;
};

// Specialised below with every case of an enumeration, in its declared order.
template <typename E> struct EnumCases;

template <> struct EnumCases<ThemeChoice> {
    static constexpr std::array<EnumCase<ThemeChoice>, 3> cases{{
        {ThemeChoice::system, "system", "Match System"},
        {ThemeChoice::light, "light", "Light"},
        {ThemeChoice::dark, "dark", "Dark"},
    }};
};

template <> struct EnumCases<WindowLook> {
    static constexpr std::array<EnumCase<WindowLook>, 2> cases{{
        {WindowLook::translucent, "translucent", "Translucent"},
        {WindowLook::glass, "glass", "Glass"},
    }};
};

template <> struct EnumCases<PanelPlacement> {
    static constexpr std::array<EnumCase<PanelPlacement>, 4> cases{{
        {PanelPlacement::rightEdge, "rightEdge", "Right edge of the screen"},
        {PanelPlacement::remembered, "remembered", "Where I left it"},
        {PanelPlacement::center, "center", "Centre of the screen"},
        {PanelPlacement::pointer, "pointer", "At the mouse pointer"},
    }};
};

template <> struct EnumCases<ItemAction> {
    static constexpr std::array<EnumCase<ItemAction>, 6> cases{{
        {ItemAction::paste, "paste", "Paste"},
        {ItemAction::moveToTop, "moveToTop", "Paste Next"},
        {ItemAction::edit, "edit", "Edit"},
        {ItemAction::pin, "pin", "Pin or Unpin"},
        {ItemAction::remove, "delete", "Delete"},
        {ItemAction::nothing, "nothing", "Nothing"},
    }};
};

template <> struct EnumCases<ClickKind> {
    static constexpr std::array<EnumCase<ClickKind>, 4> cases{{
        {ClickKind::plain, "plain", "Click"},
        {ClickKind::command, "command", "Ctrl-click"},
        {ClickKind::option, "option", "Alt-click"},
        {ClickKind::shift, "shift", "Shift-click"},
    }};
};

template <> struct EnumCases<PenThickness> {
    static constexpr std::array<EnumCase<PenThickness>, 4> cases{{
        {PenThickness::fine, "fine", "Fine"},
        {PenThickness::medium, "medium", "Medium"},
        {PenThickness::bold, "bold", "Bold"},
        {PenThickness::marker, "marker", "Marker"},
    }};
};

template <typename E>
concept StoredEnum = requires {
    EnumCases<E>::cases;
};

template <StoredEnum E> constexpr const EnumCase<E>& enumCase(E value) {
    return *std::ranges::find(EnumCases<E>::cases, value, &EnumCase<E>::value);
}

template <StoredEnum E> constexpr std::string_view rawValue(E value) {
    return enumCase(value).raw;
}

// UTF-8.
template <StoredEnum E> constexpr std::string_view displayText(E value) {
    return enumCase(value).display;
}

template <StoredEnum E> constexpr std::optional<E> fromRawValue(std::string_view raw) {
    const auto& cases = EnumCases<E>::cases;
    const auto found = std::ranges::find(cases, raw, &EnumCase<E>::raw);
    return found == cases.end() ? std::nullopt : std::optional<E>(found->value);
}

// The action a click of each kind performs until the user picks another.
constexpr ItemAction defaultAction(ClickKind kind) {
    switch (kind) {
    case ClickKind::plain:
        return ItemAction::paste;
    case ClickKind::command:
        return ItemAction::edit;
    case ClickKind::option:
        return ItemAction::moveToTop;
    case ClickKind::shift:
        return ItemAction::nothing;
    }
    return ItemAction::nothing;
}

} // namespace snipstack
