#include "app/panel/PanelFooter.h"

#include "app/system/icons/SymbolIcon.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace snipstack {

PanelFooter::PanelFooter(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), warningIcon_(new QLabel),
      warningText_(new QLabel(QStringLiteral("No Accessibility access"))) {
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(14, 6, 14, 10);
    rows->setSpacing(6);
    auto* warning = new QHBoxLayout;
    warning->setSpacing(5);
    auto* layout = new QHBoxLayout;
    layout->setSpacing(5);
    rows->addLayout(warning);
    rows->addLayout(layout);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    const std::pair<const char*, const char*> hints[] = {
        {"↩", "Paste"}, {"Alt+↩", "Copy"}, {"Ctrl+0–9", "Paste"}};
    for (const auto& [key, label] : hints) {
        auto* keyLabel = new QLabel(QString::fromUtf8(key));
        auto* text = new QLabel(QString::fromUtf8(label));
        keyLabel->setFont(small);
        text->setFont(small);
        keyLabel->setContentsMargins(5, 1, 5, 1);
        keyLabel->setAutoFillBackground(true);
        layout->addWidget(keyLabel);
        layout->addWidget(text);
        layout->addSpacing(6);
        keys_ << keyLabel;
        labels_ << text;
    }
    layout->addStretch(1);
    warningText_->setFont(small);
    warning->addWidget(warningIcon_);
    warning->addWidget(warningText_);
    warning->addStretch(1);
    connect(&model_, &AppModel::accessibilityGrantedChanged, this, &PanelFooter::refresh);
    refresh();
}

void PanelFooter::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        refresh();
    }
}

void PanelFooter::refresh() {
    const QColor secondary = palette().color(QPalette::PlaceholderText);
    QColor keyBackground = palette().color(QPalette::Text);
    keyBackground.setAlphaF(0.08);
    for (QLabel* key : keys_) {
        QPalette colours = key->palette();
        colours.setColor(QPalette::Window, keyBackground);
        colours.setColor(QPalette::WindowText, secondary);
        key->setPalette(colours);
    }
    for (QLabel* label : labels_) {
        QPalette colours = label->palette();
        colours.setColor(QPalette::WindowText, secondary);
        label->setPalette(colours);
    }
    const bool missing = !model_.accessibilityGranted();
    warningIcon_->setPixmap(
        symbolPixmap("exclamationmark.triangle", 14, QColor(0xE0, 0x8A, 0x00), devicePixelRatioF()));
    warningIcon_->setVisible(missing);
    warningText_->setVisible(missing);
}

} // namespace snipstack
