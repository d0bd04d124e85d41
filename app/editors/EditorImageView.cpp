#include "app/editors/EditorImageView.h"

#include <QPaintEvent>
#include <QPainter>

namespace snipstack {

EditorImageView::EditorImageView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void EditorImageView::setImage(const QImage& image) {
    image_ = image;
    shrunk_ = {};
    update();
}

void EditorImageView::paintEvent(QPaintEvent* event) {
    if (image_.isNull() || width() <= 0 || height() <= 0) {
        return;
    }
    QPainter painter(this);
    const QSize pixels = size() * devicePixelRatioF();
    if (pixels.width() <= image_.width() && pixels.height() <= image_.height()) {
        if (shrunk_.size() != pixels) {
            shrunk_ =
                QPixmap::fromImage(image_.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
            shrunk_.setDevicePixelRatio(devicePixelRatioF());
        }
        painter.drawPixmap(event->rect(), shrunk_,
                           QRectF(QPointF(event->rect().topLeft()) * devicePixelRatioF(),
                                  QSizeF(event->rect().size()) * devicePixelRatioF()));
        return;
    }
    // Enlarged, only the part being painted is scaled; the whole would take up to 144 times the image.
    shrunk_ = {};
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setClipRegion(event->region());
    painter.drawImage(QRectF(rect()), image_);
}

} // namespace snipstack
