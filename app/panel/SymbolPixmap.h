#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <string_view>

namespace snipstack {

// A symbol drawn in one colour, so theme icons and our own drawings match the panel's text in light
// and dark; kept in Qt's pixmap cache.
QPixmap symbolPixmap(std::string_view symbol, int size, const QColor& colour, qreal devicePixelRatio);

// The same as an icon for buttons, following the palette's button text colour.
QIcon tintedSymbol(std::string_view symbol, const QColor& colour);

} // namespace snipstack
