#pragma once

#include <cstdint>
#include <optional>

namespace snipstack::keycodes {

// X keysym of the key at a virtual key code's position on a US keyboard, unshifted; nothing for a key
// code the table does not know.
std::optional<std::uint32_t> keysymForKeyCode(std::uint32_t keyCode);

// Virtual key code of the key that types `keysym` on a US keyboard, shifted or not ("A", "a" and
// "exclam" each name a key).
std::optional<std::uint32_t> keyCodeForKeysym(std::uint32_t keysym);

// X modifier mask (ShiftMask, ControlMask, Mod1Mask = Alt, Mod4Mask = Super) for HotKey modifier bits;
// other bits are dropped.
std::uint16_t xModifierMask(std::uint64_t modifiers);

// HotKey modifier bits for an X modifier mask; Num Lock, Caps Lock and the other masks are dropped.
std::uint64_t modifiersFromXMask(std::uint16_t mask);

} // namespace snipstack::keycodes
