#include "app/editors/ColorMenuButton.h"

#include <QColorDialog>
#include <QMenu>
#include <QPainter>
#include <array>

namespace snipstack {

namespace {

struct NamedColor {
    const char* name;
    QRgb rgb;
};

// The desktop's usual red, orange, yellow, green, blue and purple, with black and white.
constexpr std::array presets{
    NamedColor{"Red", 0xFFFF3B30},   NamedColor{"Orange", 0xFFFF9500}, NamedColor{"Yellow", 0xFFFFCC00},
    NamedColor{"Green", 0xFF34C759}, NamedColor{"Blue", 0xFF007AFF},   NamedColor{"Purple", 0xFFAF52DE},
    NamedColor{"Black", 0xFF000000}, NamedColor{"White", 0xFFFFFFFF},
};

} // namespace

ColorMenuButton::ColorMenuButton(const QString& label, QWidget* parent) : QToolButton(parent), label_(label) {
    setToolTip(label);
    setAccessibleName(label);
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(this);
    for (const NamedColor& preset : presets) {
        const QColor color = QColor::fromRgba(preset.rgb);
        menu->addAction(swatch(color, 14), tr(preset.name), this, [this, color] { emit colorChosen(color); });
    }
    menu->addSeparator();
    menu->addAction(tr("Other…"), this, [this] {
        const QColor chosen = QColorDialog::getColor(color_, window(), label_);
        if (chosen.isValid()) {
            emit colorChosen(chosen);
        }
    });
    setMenu(menu);
}

void ColorMenuButton::setColor(const QColor& color) {
    color_ = color;
    setIcon(swatch(color, 16));
}

QIcon ColorMenuButton::swatch(const QColor& color, int size) {
    QPixmap pixmap(size * 2, size * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // A grey rim keeps white visible on a light bar and black on a dark one.
    painter.setPen(QPen(QColor(128, 128, 128, 160), 1));
    painter.setBrush(color);
    painter.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    return QIcon(pixmap);
}

} // namespace snipstack
