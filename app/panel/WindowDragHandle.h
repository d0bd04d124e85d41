#pragma once

#include <QWidget>

namespace snipstack {

// A strip the user drags the panel by: a press hands the move to the window manager, whose moves
// then reach the panel controller as the user's drag.
class WindowDragHandle : public QWidget {
    Q_OBJECT

public:
    using QWidget::QWidget;

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace snipstack
