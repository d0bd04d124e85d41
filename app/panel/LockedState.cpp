#include "app/panel/LockedState.h"

#include "app/system/icons/SymbolIcon.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace snipstack {

LockedState::LockedState(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), lock_(new QLabel), warning_(new QLabel), error_(new QLabel),
      unlock_(new QPushButton(QStringLiteral("Unlock"))) {
    auto* title = new QLabel(QStringLiteral("Clipboard history is locked"));
    QFont font = title->font();
    font.setPointSizeF(font.pointSizeF() * 1.1);
    title->setFont(font);
    error_->setWordWrap(true);
    error_->setAlignment(Qt::AlignCenter);
    error_->setMaximumWidth(320);
    unlock_->setDefault(true);

    auto* errorRow = new QHBoxLayout;
    errorRow->addStretch(1);
    errorRow->addWidget(warning_, 0, Qt::AlignTop);
    errorRow->addWidget(error_);
    errorRow->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    layout->addWidget(lock_, 0, Qt::AlignHCenter);
    layout->addSpacing(6);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    layout->addLayout(errorRow);
    layout->addSpacing(10);
    layout->addWidget(unlock_, 0, Qt::AlignHCenter);
    layout->addStretch(1);

    connect(unlock_, &QPushButton::clicked, &model_, &AppModel::unlock);
    connect(&model_, &AppModel::storageErrorChanged, this, &LockedState::refresh);
    refresh();
}

void LockedState::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        refresh();
    }
}

void LockedState::refresh() {
    const QColor secondary = palette().color(QPalette::PlaceholderText);
    lock_->setPixmap(symbolPixmap("lock.fill", 36, secondary, devicePixelRatioF()));
    warning_->setPixmap(symbolPixmap("exclamationmark.triangle", 14, secondary, devicePixelRatioF()));
    const auto& error = model_.storageError();
    error_->setText(error.value_or(QString()));
    error_->setVisible(error.has_value());
    warning_->setVisible(error.has_value());
}

} // namespace snipstack
