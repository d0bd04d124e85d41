#include "app/editors/WindowCloseWatch.h"

#include <QEvent>
#include <utility>

namespace snipstack {

WindowCloseWatch::WindowCloseWatch(QWidget& widget, std::function<void()> closed)
    : widget_(widget), closed_(std::move(closed)) {
    widget_.installEventFilter(this);
}

bool WindowCloseWatch::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &widget_ && event->type() == QEvent::Show) {
        widget_.window()->installEventFilter(this);
    } else if (watched == widget_.window() && event->type() == QEvent::Close && event->isAccepted() &&
               !done_) {
        done_ = true;
        closed_();
    }
    return false;
}

} // namespace snipstack
