#pragma once

#include "app/model/AppModel.h"

#include <QStyledItemDelegate>

namespace snipstack {

// Draws the panel's rows: no widget per row, and a row's height follows from its kind alone, so the
// list lays out thousands of rows without measuring their text.
class ItemDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit ItemDelegate(AppModel& model, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The row under the pointer, whose details show once revealed; -1 for none.
    void setHoveredRow(int row) { hoveredRow_ = row; }
    // The width rows are laid out for: the list's viewport.
    void setRowWidth(int width) { rowWidth_ = width; }
    int rowWidth() const { return rowWidth_; }

private:
    void paintText(QPainter* painter, const QRect& area, const QString& text,
                   const QStyleOptionViewItem& option) const;
    // False while the thumbnail is being decoded; the row is repainted when it is ready.
    bool paintThumbnail(QPainter* painter, const QRect& area, const ClipItem& item, bool fill) const;
    void paintPlaceholder(QPainter* painter, const QRect& area, const QStyleOptionViewItem& option) const;

    AppModel& model_;
    int hoveredRow_ = -1;
    int rowWidth_ = 400;
};

} // namespace snipstack
