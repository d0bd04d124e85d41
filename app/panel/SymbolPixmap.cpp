#include "app/panel/SymbolPixmap.h"

#include "app/system/icons/SymbolIcon.h"

#include <QPainter>
#include <QPixmapCache>

namespace snipstack {

QPixmap symbolPixmap(std::string_view symbol, int size, const QColor& colour, qreal devicePixelRatio) {
    const QString key = QStringLiteral("snipstack-symbol-%1-%2-%3-%4")
                            .arg(QLatin1String(symbol.data(), qsizetype(symbol.size())))
                            .arg(size)
                            .arg(colour.rgba())
                            .arg(devicePixelRatio);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap)) {
        return pixmap;
    }
    const int pixels = qRound(size * devicePixelRatio);
    pixmap = symbolIcon(symbol).pixmap(QSize(pixels, pixels));
    if (pixmap.isNull()) {
        return pixmap;
    }
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), colour);
    painter.end();
    pixmap.setDevicePixelRatio(devicePixelRatio);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

QIcon tintedSymbol(std::string_view symbol, const QColor& colour) {
    QIcon icon;
    for (const int size : {16, 32}) {
        QPixmap pixmap = symbolPixmap(symbol, size, colour, 1.0);
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace snipstack
