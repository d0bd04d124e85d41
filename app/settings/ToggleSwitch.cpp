#include "app/settings/ToggleSwitch.h"

#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>

namespace snipstack {
namespace {

constexpr QSize trackSize(36, 20);
constexpr int knobInset = 2;

} // namespace

ToggleSwitch::ToggleSwitch(const QString& accessibleName, QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setAccessibleName(accessibleName);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ToggleSwitch::sizeHint() const {
    // Room for the focus ring around the track.
    return trackSize + QSize(4, 4);
}

void ToggleSwitch::display(bool on) {
    const QSignalBlocker blocker(this);
    setChecked(on);
}

bool ToggleSwitch::hitButton(const QPoint& position) const {
    return rect().contains(position);
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colours = palette();
    const QRectF track(QRectF(rect()).center() - QPointF(trackSize.width(), trackSize.height()) / 2,
                       QSizeF(trackSize));
    const qreal radius = track.height() / 2;

    // Off is a tint of the text colour, which reads on light and dark windows alike.
    QColor fill = colours.color(QPalette::Active, QPalette::WindowText);
    fill.setAlphaF(0.25);
    if (isChecked()) {
        fill = colours.color(QPalette::Active, QPalette::Highlight);
    }
    if (!isEnabled()) {
        fill.setAlphaF(fill.alphaF() * 0.4);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(track, radius, radius);

    if (hasFocus()) {
        QColor ring = colours.color(QPalette::Highlight);
        ring.setAlphaF(0.5);
        painter.setPen(QPen(ring, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(-1, -1, 1, 1), radius + 1, radius + 1);
    }

    const qreal knob = track.height() - 2 * knobInset;
    const qreal left = isChecked() ? track.right() - knobInset - knob : track.left() + knobInset;
    QColor knobColour = colours.color(QPalette::Active, QPalette::HighlightedText);
    if (!isEnabled()) {
        knobColour.setAlphaF(0.7);
    }
    painter.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    painter.setBrush(knobColour);
    painter.drawEllipse(QRectF(left, track.top() + knobInset, knob, knob));
}

} // namespace snipstack
