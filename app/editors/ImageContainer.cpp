#include "app/editors/ImageContainer.h"

#include "app/editors/ImageFitting.h"

#include <cmath>

namespace snipstack {

ImageContainer::ImageContainer(QWidget* parent) : QWidget(parent) {}

void ImageContainer::setImageSize(QSize pixels) {
    imageSize_ = pixels;
    layOut();
}

void ImageContainer::fit(QSize viewport, double magnification) {
    viewport_ = viewport;
    magnification_ = magnification;
    resize(QSize(int(std::round(viewport.width() * magnification)),
                 int(std::round(viewport.height() * magnification))));
    layOut();
}

void ImageContainer::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOut();
}

void ImageContainer::layOut() {
    // Fitted at 100%, then magnified as a whole, as a magnifying scroll view does.
    const QRect fitted = fittedImageFrame(imageSize_, viewport_);
    const double m = magnification_;
    const QRect frame(int(std::round(fitted.x() * m)), int(std::round(fitted.y() * m)),
                      int(std::round(fitted.width() * m)), int(std::round(fitted.height() * m)));
    for (QObject* child : children()) {
        if (auto* view = qobject_cast<QWidget*>(child)) {
            view->setGeometry(frame);
        }
    }
}

} // namespace snipstack
