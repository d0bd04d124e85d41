#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <optional>
#include <string_view>

namespace snipstack {

// The icon for one of the program's symbols ("gearshape", "lock.fill", ...): the desktop icon theme's
// icon of the same meaning, else a drawing of our own, so every window looks complete on any desktop.
// An unknown symbol gives an empty icon.
QIcon symbolIcon(std::string_view symbol);

// A symbol drawn in one colour, so theme icons and our own drawings match the text around them in
// light and dark; kept in Qt's pixmap cache.
QPixmap symbolPixmap(std::string_view symbol, int size, const QColor& colour, qreal devicePixelRatio);

// The same as an icon for buttons, in `disabledColour` while the button is disabled (by default the
// same colour).
QIcon tintedSymbol(std::string_view symbol, const QColor& colour,
                   const std::optional<QColor>& disabledColour = std::nullopt);

// Snipstack's own application icon.
QIcon applicationIcon();

} // namespace snipstack
