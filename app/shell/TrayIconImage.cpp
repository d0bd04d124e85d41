#include "app/shell/TrayIconImage.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace snipstack {

namespace {

QPixmap drawClipboard(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 20 × 20 grid, the tray's own proportions, and scaled to the size asked for.
    painter.scale(size / 20.0, size / 20.0);

    const QColor outline(30, 30, 30, 230);
    const QColor body(245, 245, 245);
    QPen pen(outline, 1.4);
    pen.setJoinStyle(Qt::RoundJoin);

    QPainterPath board;
    board.addRoundedRect(QRectF(3.5, 3.0, 13.0, 15.5), 2.2, 2.2);
    painter.setPen(pen);
    painter.setBrush(body);
    painter.drawPath(board);

    // The clip at the top, and two lines of copied text.
    painter.setBrush(outline);
    painter.drawRoundedRect(QRectF(7.0, 1.2, 6.0, 3.6), 1.2, 1.2);
    QPen lines(outline, 1.6, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(lines);
    painter.drawLine(QPointF(6.6, 9.0), QPointF(13.4, 9.0));
    painter.drawLine(QPointF(6.6, 12.2), QPointF(13.4, 12.2));
    painter.drawLine(QPointF(6.6, 15.4), QPointF(10.8, 15.4));
    return pixmap;
}

} // namespace

QIcon trayIconImage() {
    QIcon icon;
    for (const int size : {16, 20, 22, 24, 32, 48, 64}) {
        icon.addPixmap(drawClipboard(size));
    }
    return icon;
}

} // namespace snipstack
