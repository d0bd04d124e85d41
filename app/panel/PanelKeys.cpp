#include "app/panel/PanelKeys.h"

namespace snipstack {

PanelKey panelKey(int key, Qt::KeyboardModifiers modifiers, bool composing, std::size_t rowCount) {
    using Command = PanelKey::Command;
    if (composing) {
        return {};
    }
    const auto held =
        modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (held == Qt::ControlModifier && key >= Qt::Key_0 && key <= Qt::Key_9) {
        const auto row = static_cast<std::size_t>(key - Qt::Key_0);
        if (row < rowCount) {
            return {Command::pasteRow, row};
        }
    }
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return {modifiers & Qt::AltModifier ? Command::copySelection : Command::pasteSelection};
    case Qt::Key_Escape:
        return {Command::hide};
    case Qt::Key_Up:
        return {Command::moveUp};
    case Qt::Key_Down:
        return {Command::moveDown};
    default:
        return {};
    }
}

} // namespace snipstack
