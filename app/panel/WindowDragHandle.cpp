#include "app/panel/WindowDragHandle.h"

#include <QMouseEvent>
#include <QWindow>

namespace snipstack {

void WindowDragHandle::mousePressEvent(QMouseEvent* event) {
    QWindow* handle = window()->windowHandle();
    if (event->button() == Qt::LeftButton && handle && handle->startSystemMove()) {
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

} // namespace snipstack
