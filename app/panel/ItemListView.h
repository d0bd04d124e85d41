#pragma once

#include "app/model/AppModel.h"
#include "app/panel/ItemDelegate.h"
#include "app/panel/ItemListModel.h"

#include <QListView>
#include <QTimer>

namespace snipstack {

// The history list: clicks go to the model's click dispatch with their modifier keys, the context
// menu performs the entry actions, and a row the pointer rests on reveals its details.
class ItemListView : public QListView {
    Q_OBJECT

public:
    // A row shows its details after the pointer has rested on it this long, unless already revealed.
    static constexpr int revealDelayMs = 2000;

    explicit ItemListView(AppModel& model, QWidget* parent = nullptr);

    ItemListModel& listModel() { return listModel_; }
    // Builds the context menu of a row; the caller runs it.
    QMenu* makeContextMenu(int row);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void hover(int row);

    AppModel& model_;
    ItemListModel listModel_;
    ItemDelegate delegate_;
    QTimer revealTimer_;
    int hoveredRow_ = -1;
};

} // namespace snipstack
