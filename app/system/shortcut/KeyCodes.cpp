#include "app/system/shortcut/KeyCodes.h"

#include "app/system/shortcut/HotKey.h"

#include <X11/keysym.h>
#include <algorithm>
#include <array>
#include <xcb/xproto.h>

namespace snipstack::keycodes {
namespace {

struct Key {
    std::uint32_t keyCode;
    std::uint32_t keysym;
    // What the key types with Shift; 0 when that is the same key name.
    std::uint32_t shifted;
};

constexpr std::array<Key, 74> keys{{
    {0, XK_a, XK_A},
    {1, XK_s, XK_S},
    {2, XK_d, XK_D},
    {3, XK_f, XK_F},
    {4, XK_h, XK_H},
    {5, XK_g, XK_G},
    {6, XK_z, XK_Z},
    {7, XK_x, XK_X},
    {8, XK_c, XK_C},
    {9, XK_v, XK_V},
    {11, XK_b, XK_B},
    {12, XK_q, XK_Q},
    {13, XK_w, XK_W},
    {14, XK_e, XK_E},
    {15, XK_r, XK_R},
    {16, XK_y, XK_Y},
    {17, XK_t, XK_T},
    {18, XK_1, XK_exclam},
    {19, XK_2, XK_at},
    {20, XK_3, XK_numbersign},
    {21, XK_4, XK_dollar},
    {22, XK_6, XK_asciicircum},
    {23, XK_5, XK_percent},
    {24, XK_equal, XK_plus},
    {25, XK_9, XK_parenleft},
    {26, XK_7, XK_ampersand},
    {27, XK_minus, XK_underscore},
    {28, XK_8, XK_asterisk},
    {29, XK_0, XK_parenright},
    {30, XK_bracketright, XK_braceright},
    {31, XK_o, XK_O},
    {32, XK_u, XK_U},
    {33, XK_bracketleft, XK_braceleft},
    {34, XK_i, XK_I},
    {35, XK_p, XK_P},
    {36, XK_Return, 0},
    {37, XK_l, XK_L},
    {38, XK_j, XK_J},
    {39, XK_apostrophe, XK_quotedbl},
    {40, XK_k, XK_K},
    {41, XK_semicolon, XK_colon},
    {42, XK_backslash, XK_bar},
    {43, XK_comma, XK_less},
    {44, XK_slash, XK_question},
    {45, XK_n, XK_N},
    {46, XK_m, XK_M},
    {47, XK_period, XK_greater},
    {48, XK_Tab, XK_ISO_Left_Tab},
    {49, XK_space, 0},
    {50, XK_grave, XK_asciitilde},
    {51, XK_BackSpace, 0},
    {53, XK_Escape, 0},
    {76, XK_KP_Enter, 0},
    {96, XK_F5, 0},
    {97, XK_F6, 0},
    {98, XK_F7, 0},
    {99, XK_F3, 0},
    {100, XK_F8, 0},
    {101, XK_F9, 0},
    {103, XK_F11, 0},
    {109, XK_F10, 0},
    {111, XK_F12, 0},
    {115, XK_Home, 0},
    {116, XK_Page_Up, 0},
    {117, XK_Delete, 0},
    {118, XK_F4, 0},
    {119, XK_End, 0},
    {120, XK_F2, 0},
    {121, XK_Page_Down, 0},
    {122, XK_F1, 0},
    {123, XK_Left, 0},
    {124, XK_Right, 0},
    {125, XK_Down, 0},
    {126, XK_Up, 0},
}};

constexpr std::array<std::pair<std::uint64_t, std::uint16_t>, 4> modifierMasks{{
    {HotKey::shift, XCB_MOD_MASK_SHIFT},
    {HotKey::control, XCB_MOD_MASK_CONTROL},
    {HotKey::option, XCB_MOD_MASK_1},
    {HotKey::command, XCB_MOD_MASK_4},
}};

template <typename Match> const Key* find(Match match) {
    const auto* key = std::find_if(keys.begin(), keys.end(), match);
    return key == keys.end() ? nullptr : key;
}

} // namespace

std::optional<std::uint32_t> keysymForKeyCode(std::uint32_t keyCode) {
    const Key* key = find([&](const Key& k) { return k.keyCode == keyCode; });
    return key ? std::optional(key->keysym) : std::nullopt;
}

std::optional<std::uint32_t> keyCodeForKeysym(std::uint32_t keysym) {
    const Key* key =
        find([&](const Key& k) { return k.keysym == keysym || (k.shifted && k.shifted == keysym); });
    return key ? std::optional(key->keyCode) : std::nullopt;
}

std::uint16_t xModifierMask(std::uint64_t modifiers) {
    std::uint16_t mask = 0;
    for (const auto& [bit, xMask] : modifierMasks) {
        if (modifiers & bit) {
            mask |= xMask;
        }
    }
    return mask;
}

std::uint64_t modifiersFromXMask(std::uint16_t mask) {
    std::uint64_t modifiers = 0;
    for (const auto& [bit, xMask] : modifierMasks) {
        if (mask & xMask) {
            modifiers |= bit;
        }
    }
    return modifiers;
}

} // namespace snipstack::keycodes
