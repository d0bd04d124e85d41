#pragma once

#include <Qt>
#include <cstddef>

namespace snipstack {

// What a key pressed in the panel does.
struct PanelKey {
    enum class Command { none, pasteRow, pasteSelection, copySelection, hide, moveUp, moveDown };
    Command command = Command::none;
    // The row of pasteRow, 0-based in the list shown.
    std::size_t row = 0;

    // Whether the panel takes the key; none leaves it to the focused widget (typing a search).
    bool consumed() const { return command != Command::none; }
};

// Ctrl+digit pastes that row when it exists; Return and keypad Enter paste the selection (with Alt
// only to the clipboard); Escape hides; Up and Down move the selection. Nothing is taken while an
// input method is composing text.
PanelKey panelKey(int key, Qt::KeyboardModifiers modifiers, bool composing, std::size_t rowCount);

} // namespace snipstack
