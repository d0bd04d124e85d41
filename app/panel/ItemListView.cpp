#include "app/panel/ItemListView.h"

#include "app/panel/ItemText.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>

namespace snipstack {

ItemListView::ItemListView(AppModel& model, QWidget* parent)
    : QListView(parent), model_(model), listModel_(model), delegate_(model) {
    setModel(&listModel_);
    setItemDelegate(&delegate_);
    setSelectionMode(NoSelection);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setVerticalScrollMode(ScrollPerPixel);
    verticalScrollBar()->setSingleStep(24);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A slim bar without arrows, as a floating panel's list has on every current desktop.
    verticalScrollBar()->setStyleSheet(
        QStringLiteral("QScrollBar:vertical { background: transparent; width: 10px; margin: 2px 2px 2px 0; }"
                       "QScrollBar::handle:vertical { background: rgba(128, 128, 128, 0.55); border-radius: "
                       "3px; min-height: 32px; }"
                       "QScrollBar::add-line, QScrollBar::sub-line { height: 0; }"
                       "QScrollBar::add-page, QScrollBar::sub-page { background: transparent; }"));
    setFrameShape(NoFrame);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);

    revealTimer_.setSingleShot(true);
    revealTimer_.setInterval(revealDelayMs);
    connect(&revealTimer_, &QTimer::timeout, this, [this] { model_.setTileDetailsRevealed(true); });
    connect(&model_, &AppModel::tileDetailsRevealedChanged, viewport(), qOverload<>(&QWidget::update));
    connect(&model_, &AppModel::listTopTokenChanged, this, &QListView::scrollToTop);
    // Rendered previews and plain text give rows of different heights.
    connect(&model_.preferences(), &Preferences::plainTextTilesChanged, this,
            [this] { scheduleDelayedItemsLayout(); });
    connect(&listModel_, &ItemListModel::selectedRowChanged, this, [this](int row) {
        if (row >= 0) {
            scrollTo(listModel_.index(row));
        }
    });
    connect(&listModel_, &QAbstractItemModel::modelReset, this, [this] { hover(-1); });
    connect(&model_, &AppModel::thumbnailReady, this, [this](const Uuid& id) {
        if (const int row = listModel_.row(id); row >= 0) {
            viewport()->update(visualRect(listModel_.index(row)));
        }
    });
}

void ItemListView::resizeEvent(QResizeEvent* event) {
    // Whether a text needs a second line depends on the width; the rows are measured again.
    if (viewport()->width() != delegate_.rowWidth()) {
        delegate_.setRowWidth(viewport()->width());
        scheduleDelayedItemsLayout();
    }
    QListView::resizeEvent(event);
}

void ItemListView::hover(int row) {
    if (row == hoveredRow_) {
        return;
    }
    hoveredRow_ = row;
    delegate_.setHoveredRow(row);
    revealTimer_.stop();
    if (row >= 0 && !model_.tileDetailsRevealed()) {
        revealTimer_.start();
    }
    viewport()->update();
}

void ItemListView::mouseMoveEvent(QMouseEvent* event) {
    QListView::mouseMoveEvent(event);
    hover(indexAt(event->position().toPoint()).row());
}

void ItemListView::leaveEvent(QEvent* event) {
    QListView::leaveEvent(event);
    hover(-1);
}

void ItemListView::mouseReleaseEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || !index.isValid()) {
        QListView::mouseReleaseEvent(event);
        return;
    }
    // The action may hide the panel and change the list; the entry is copied first.
    const ClipItem item = listModel_.item(index.row());
    model_.click(item, event->modifiers());
}

QMenu* ItemListView::makeContextMenu(int row) {
    const ClipItem item = listModel_.item(row);
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const auto& entry : itemText::contextMenu(item, model_.preferences())) {
        if (entry.destructive) {
            menu->addSeparator();
        }
        QAction* action = menu->addAction(entry.title);
        connect(action, &QAction::triggered, this,
                [this, item, kind = entry.action] { model_.perform(kind, item); });
    }
    return menu;
}

void ItemListView::contextMenuEvent(QContextMenuEvent* event) {
    const QModelIndex index = indexAt(event->pos());
    if (!index.isValid()) {
        return;
    }
    makeContextMenu(index.row())->popup(event->globalPos());
}

} // namespace snipstack
