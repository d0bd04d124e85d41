#include "app/editors/EditorImageView.h"

#include <QPaintEvent>
#include <QPainter>

namespace snipstack {

namespace {

constexpr int settleMilliseconds = 120;

} // namespace

EditorImageView::EditorImageView(QWidget* parent) : QWidget(parent) {
    settle_.setSingleShot(true);
    settle_.setInterval(settleMilliseconds);
    connect(&settle_, &QTimer::timeout, this, [this] {
        shrunk_ = {};
        update();
    });
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
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setClipRegion(event->region());
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = size() * ratio;
    if (pixels.width() > image_.width() || pixels.height() > image_.height()) {
        // Enlarged, only the part being painted is scaled; the whole would take up to 144 times the image.
        shrunk_ = {};
        painter.drawImage(QRectF(rect()), image_);
        return;
    }
    if (shrunk_.isNull()) {
        shrunk_ = QPixmap::fromImage(image_.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        shrunk_.setDevicePixelRatio(ratio);
    } else if (shrunk_.size() != pixels) {
        settle_.start();
    }
    painter.drawPixmap(QRectF(rect()), shrunk_, QRectF(shrunk_.rect()));
}

} // namespace snipstack
