#include "app/panel/StateMessage.h"

#include "app/system/icons/SymbolIcon.h"

#include <QEvent>
#include <QVBoxLayout>

namespace snipstack {

StateMessage::StateMessage(std::string_view symbol, const QString& text, QWidget* parent)
    : QWidget(parent), symbol_(symbol), icon_(new QLabel), text_(new QLabel(text)) {
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    layout->addWidget(icon_, 0, Qt::AlignHCenter);
    layout->addSpacing(6);
    layout->addWidget(text_, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    text_->setAlignment(Qt::AlignCenter);
    QFont font = text_->font();
    font.setPointSizeF(font.pointSizeF() * 1.1);
    text_->setFont(font);
    applyPalette();
}

void StateMessage::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        applyPalette();
    }
}

void StateMessage::applyPalette() {
    const QColor secondary = palette().color(QPalette::PlaceholderText);
    icon_->setPixmap(symbolPixmap(symbol_, 36, secondary, devicePixelRatioF()));
    QPalette textPalette = text_->palette();
    textPalette.setColor(QPalette::WindowText, secondary);
    text_->setPalette(textPalette);
}

} // namespace snipstack
