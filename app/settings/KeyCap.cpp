#include "app/settings/KeyCap.h"

#include <QPainter>

namespace snipstack {

KeyCap::KeyCap(const QString& key, QWidget* parent) : QLabel(key, parent) {
    setAlignment(Qt::AlignCenter);
    setContentsMargins(8, 2, 8, 3);
}

void KeyCap::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor edge = palette().color(QPalette::WindowText);
        edge.setAlphaF(0.3);
        const QRectF cap = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        // A thicker lower edge, as a key's.
        painter.setPen(Qt::NoPen);
        painter.setBrush(edge);
        painter.drawRoundedRect(cap, 4, 4);
        painter.setBrush(palette().color(QPalette::Button));
        painter.drawRoundedRect(cap.adjusted(1, 1, -1, -2), 3, 3);
    }
    QLabel::paintEvent(event);
}

} // namespace snipstack
