#include "app/settings/StepMarker.h"

#include "app/system/icons/SymbolIcon.h"

#include <QPainter>

namespace snipstack {

StepMarker::StepMarker(int number, QWidget* parent) : QWidget(parent), number_(number) {
    setFixedSize(sizeHint());
}

void StepMarker::setDone(bool done) {
    if (done_ != done) {
        done_ = done;
        update();
    }
}

void StepMarker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (done_) {
        symbolIcon("checkmark.circle.fill").paint(&painter, rect());
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colour = palette().color(QPalette::WindowText);
    painter.setPen(QPen(colour, 1.5));
    painter.drawEllipse(QRectF(rect()).adjusted(2, 2, -2, -2));
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(rect(), Qt::AlignCenter, QString::number(number_));
}

} // namespace snipstack
