#include "app/settings/FormSection.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace snipstack {
namespace {

constexpr int rowPadding = 10;
constexpr int boxRadius = 8;

// Light themes set the box off in the base colour; dark ones lighten the window's instead, so that
// the fields inside, drawn in the dark base colour, still stand out.
QColor boxColour(const QPalette& palette) {
    const QColor window = palette.color(QPalette::Window);
    const QColor base = palette.color(QPalette::Base);
    return base.lightness() > window.lightness() ? base : window.lighter(112);
}

} // namespace

// Draws the rounded box behind the rows and a hairline between each two visible rows.
class FormSection::Box : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor line = palette().color(QPalette::WindowText);
        line.setAlphaF(0.12);
        painter.setPen(QPen(line, 1));
        painter.setBrush(boxColour(palette()));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), boxRadius, boxRadius);
        bool first = true;
        for (const QObject* child : children()) {
            const auto* row = qobject_cast<const QWidget*>(child);
            if (!row || row->isHidden()) {
                continue;
            }
            if (!first) {
                const qreal y = row->geometry().top() + 0.5;
                painter.drawLine(QPointF(rowPadding + 2, y), QPointF(width(), y));
            }
            first = false;
        }
    }
};

FormSection::FormSection(const QString& title, QWidget* parent) : QWidget(parent), box_(new Box(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    if (!title.isEmpty()) {
        auto* heading = new QLabel(title, this);
        QFont font = heading->font();
        font.setBold(true);
        heading->setFont(font);
        heading->setContentsMargins(rowPadding / 2, 0, 0, 0);
        layout->addWidget(heading);
    }
    rows_ = new QVBoxLayout(box_);
    rows_->setContentsMargins(0, 0, 0, 0);
    rows_->setSpacing(0);
    layout->addWidget(box_);
}

QWidget* FormSection::addRow(const QString& label, QWidget* control, const QString& caption) {
    auto* row = new QWidget(box_);
    auto* columns = new QHBoxLayout(row);
    columns->setContentsMargins(rowPadding + 2, rowPadding, rowPadding + 2, rowPadding);
    columns->setSpacing(16);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* title = new QLabel(label, row);
    title->setWordWrap(true);
    title->setBuddy(control);
    texts->addWidget(title);
    if (!caption.isEmpty()) {
        texts->addWidget(secondaryLabel(caption, row));
    }
    columns->addLayout(texts, 1);
    columns->addWidget(control, 0, Qt::AlignRight | Qt::AlignVCenter);
    rows_->addWidget(row);
    return row;
}

QWidget* FormSection::addRow(QLayout* content) {
    auto* row = new QWidget(box_);
    content->setContentsMargins(rowPadding + 2, rowPadding, rowPadding + 2, rowPadding);
    row->setLayout(content);
    rows_->addWidget(row);
    return row;
}

QLabel* FormSection::footer() {
    if (!footer_) {
        footer_ = secondaryLabel({}, this);
        footer_->setContentsMargins(rowPadding / 2, 0, rowPadding / 2, 0);
        layout()->addWidget(footer_);
    }
    return footer_;
}

QLabel* FormSection::secondaryLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    label->setFont(font);
    return label;
}

} // namespace snipstack
