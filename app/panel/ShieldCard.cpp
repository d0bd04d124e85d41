#include "app/panel/ShieldCard.h"

#include "app/system/icons/SymbolIcon.h"

#include <QPainter>

namespace snipstack {

ShieldCard::ShieldCard(QWidget* parent) : QWidget(parent) {}

void ShieldCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colours = palette();
    const QColor text = colours.color(QPalette::Text);
    const QColor secondary = colours.color(QPalette::PlaceholderText);

    const QRect card = rect().adjusted(16, 16, -16, -16);
    QColor fill = text;
    fill.setAlphaF(0.05);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(card, 14, 14);

    QFont title = font();
    title.setPointSizeF(font().pointSizeF() * 1.5);
    title.setBold(true);
    QFont subtitle = font();
    const int iconSize = 64;
    const int titleHeight = QFontMetrics(title).height();
    const int line = fontMetrics().height();
    const int total = iconSize + 12 + titleHeight + line + 28 + line + 10 + 2 * line;
    int y = card.center().y() - total / 2;

    applicationIcon().paint(&painter, QRect(card.center().x() - iconSize / 2, y, iconSize, iconSize));
    y += iconSize + 12;
    painter.setFont(title);
    painter.setPen(text);
    painter.drawText(QRect(card.left(), y, card.width(), titleHeight), Qt::AlignCenter,
                     QStringLiteral("Snipstack"));
    y += titleHeight;
    painter.setFont(subtitle);
    painter.setPen(secondary);
    painter.drawText(QRect(card.left(), y, card.width(), line), Qt::AlignCenter,
                     QStringLiteral("Clipboard manager"));
    y += line + 28;

    const QString hidden = QStringLiteral("Contents hidden");
    const int labelWidth = fontMetrics().horizontalAdvance(hidden) + 20;
    const QRect label(card.center().x() - labelWidth / 2, y, labelWidth, line);
    painter.drawPixmap(label.left(), label.top() + (line - 14) / 2,
                       symbolPixmap("lock.fill", 14, text, devicePixelRatioF()));
    painter.setPen(text);
    painter.drawText(label.adjusted(20, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, hidden);
    y += line + 10;
    painter.setPen(secondary);
    painter.drawText(QRect(card.left(), y, card.width(), 2 * line), Qt::AlignCenter,
                     QStringLiteral("Hidden from screen sharing\nand screenshots."));
}

} // namespace snipstack
