#include "app/editors/ImageEditorState.h"

#include "app/editors/AnnotationCanvas.h"
#include "app/editors/EditorImageView.h"
#include "app/editors/ImageContainer.h"
#include "app/editors/PenThicknessSizes.h"
#include "app/editors/RecognizedTextOverlay.h"
#include "app/system/LogCategories.h"
#include "app/system/desktop/ReduceMotion.h"
#include "app/system/images/GifEncoder.h"
#include "app/system/images/PngEncoder.h"
#include "app/system/preferences/Preferences.h"

#include <QBuffer>
#include <QEvent>
#include <QFutureWatcher>
#include <QImageReader>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtConcurrent>
#include <algorithm>
#include <cmath>
#include <span>

namespace snipstack {

namespace {

std::optional<Bytes> encodePngImage(QImage image) {
    const bool opaque = !image.hasAlphaChannel();
    // Converted in place when the image is not shared: no second copy of a large image.
    const QImage rgba =
        std::move(image).convertToFormat(opaque ? QImage::Format_RGBX8888 : QImage::Format_RGBA8888);
    return encodePng(std::span(rgba.constBits(), std::size_t(rgba.sizeInBytes())),
                     PixelSize{rgba.width(), rgba.height()}, rgba.bytesPerLine(), opaque);
}

// Runs `done` with the future's result on `owner`'s thread, unless `owner` is gone by then: an editor
// closed while its image is being recognised simply drops the result.
template <typename T, typename Done> void whenFinished(QObject* owner, QFuture<T> future, Done done) {
    auto* watcher = new QFutureWatcher<T>(owner);
    QObject::connect(watcher, &QFutureWatcherBase::finished, owner, [watcher, done = std::move(done)] {
        watcher->deleteLater();
        done(watcher->future().resultCount() > 0 ? watcher->future().result() : T{});
    });
    watcher->setFuture(std::move(future));
}

} // namespace

std::unique_ptr<ImageEditorState> ImageEditorState::make(const Bytes& bytes, Preferences& preferences,
                                                         Recognizer recognizer) {
    QByteArray data =
        QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    QBuffer buffer(&data);
    QImageReader reader(&buffer);
    // Recognised word boxes are in the image as shown, a photo's orientation applied.
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull()) {
        qCWarning(desktopLog) << "The image editor cannot open an image that does not decode:"
                              << reader.errorString();
        return nullptr;
    }
    // Painting onto these needs no conversion.
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32_Premultiplied) {
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                              : QImage::Format_RGB32);
    }
    std::unique_ptr<ImageEditorState> state(
        new ImageEditorState(std::move(image), preferences, std::move(recognizer)));
    state->recognize(bytes);
    return state;
}

ImageEditorState::ImageEditorState(QImage image, Preferences& preferences, Recognizer recognizer)
    : preferences_(preferences), recognizer_(std::move(recognizer)),
      penThickness_(preferences.penThickness()), penColor_(preferences.penColor()),
      highlightColor_(preferences.highlightColor()), image_(std::move(image)), scrollView_(new QScrollArea),
      container_(new ImageContainer), imageView_(new EditorImageView(container_)),
      overlay_(new RecognizedTextOverlay(container_)), canvas_(new AnnotationCanvas(container_)) {
    scrollView_->setFrameShape(QFrame::NoFrame);
    scrollView_->setWidgetResizable(false);
    scrollView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scrollView_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scrollView_->setWidget(container_);
    scrollView_->viewport()->setAutoFillBackground(false);
    container_->setAutoFillBackground(false);
    viewport_ = scrollView_->viewport();
    viewport_->installEventFilter(this);
    imageView_->setImage(image_);
    container_->setImageSize(image_.size());
    canvas_->penColor = penColor_;
    canvas_->penWidth = penStrokeWidth(penThickness_);
    canvas_->highlightColor = highlightColor_;
    canvas_->setTool(tool_);
    canvas_->onChange = [this] { canvasChanged(); };
    zoomAnimation_.setDuration(zoomAnimationMilliseconds);
    zoomAnimation_.setEasingCurve(QEasingCurve::OutCubic);
    connect(&zoomAnimation_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { showMagnification(value.toDouble()); });
    layOut();
}

ImageEditorState::~ImageEditorState() {
    if (scrollView_ && !scrollView_->parent()) {
        delete scrollView_.data();
    }
}

void ImageEditorState::setTool(AnnotationTool tool) {
    if (tool == tool_) {
        return;
    }
    tool_ = tool;
    canvas_->setTool(tool);
    emit toolChanged();
}

void ImageEditorState::setPenThickness(PenThickness thickness) {
    penThickness_ = thickness;
    canvas_->penWidth = penStrokeWidth(thickness);
    preferences_.setPenThickness(thickness);
    emit penThicknessChanged();
}

void ImageEditorState::setPenColor(const QColor& color) {
    penColor_ = color;
    canvas_->penColor = color;
    preferences_.setPenColor(color);
    emit penColorChanged();
}

void ImageEditorState::setHighlightColor(const QColor& color) {
    highlightColor_ = color;
    canvas_->highlightColor = color;
    preferences_.setHighlightColor(color);
    emit highlightColorChanged();
}

void ImageEditorState::canvasChanged() {
    annotationCount_ = int(canvas_->annotations().size());
    hasCropSelection_ = canvas_->cropSelection().has_value();
    emit annotationsChanged();
}

void ImageEditorState::undo() {
    if (!canvas_->annotations().empty()) {
        canvas_->undo();
    } else if (!cropHistory_.empty()) {
        auto [image, annotations] = std::move(cropHistory_.back());
        cropHistory_.pop_back();
        replaceImage(std::move(image), std::move(annotations));
    }
}

QRect ImageEditorState::cropPixels(const QRectF& selection, QSize size) {
    // Products such as 0.1 × 10 miss whole numbers by a rounding error, which must not add a pixel.
    constexpr double tolerance = 1e-6;
    const double left = selection.x() * size.width();
    const double top = (1 - (selection.y() + selection.height())) * size.height();
    const double right = left + selection.width() * size.width();
    const double bottom = top + selection.height() * size.height();
    const QRect outward(
        QPoint(int(std::floor(left + tolerance)), int(std::floor(top + tolerance))),
        QPoint(int(std::ceil(right - tolerance)) - 1, int(std::ceil(bottom - tolerance)) - 1));
    return outward.intersected(QRect(QPoint(0, 0), size));
}

bool ImageEditorState::cropToSelection() {
    const auto& selection = canvas_->cropSelection();
    if (!selection) {
        return false;
    }
    const QRect pixels = cropPixels(*selection, image_.size());
    if (pixels.width() < smallestCropPixels || pixels.height() < smallestCropPixels) {
        return false;
    }
    // The marks become part of the cut-out's pixels.
    QImage cut = renderedImage().copy(pixels);
    cropHistory_.emplace_back(image_, canvas_->annotations());
    replaceImage(std::move(cut), {});
    return true;
}

void ImageEditorState::replaceImage(QImage image, std::vector<Annotation> annotations) {
    image_ = std::move(image);
    imageView_->setImage(image_);
    container_->setImageSize(image_.size());
    canvas_->reset(std::move(annotations));
    overlay_->clear();
    emit imageChanged();
    recognize(std::nullopt);
}

void ImageEditorState::recognize(std::optional<Bytes> encoded) {
    const int generation = ++recognitionGeneration_;
    if (!transcript_.isEmpty()) {
        transcript_.clear();
        emit transcriptChanged();
    }
    if (recognitionDone_) {
        recognitionDone_ = false;
        emit recognitionDoneChanged();
    }
    const auto apply = [this, generation](const std::optional<RecognizedText>& result) {
        if (generation != recognitionGeneration_) {
            return;
        }
        if (result) {
            overlay_->setWords(result->words, image_.size());
            transcript_ = QString::fromStdString(result->text);
            emit transcriptChanged();
        }
        recognitionDone_ = true;
        emit recognitionDoneChanged();
    };
    if (encoded) {
        whenFinished(this, recognizer_(std::move(*encoded)), apply);
        return;
    }
    // A cut-out has no bytes yet; they are made off the main thread too.
    whenFinished(this, QtConcurrent::run(encodePngImage, image_),
                 [this, generation, apply](const std::optional<Bytes>& png) {
                     if (generation != recognitionGeneration_) {
                         return;
                     }
                     if (!png) {
                         apply(std::nullopt);
                         return;
                     }
                     whenFinished(this, recognizer_(*png), apply);
                 });
}

void ImageEditorState::zoom(double factor) {
    setMagnification(std::clamp(magnification_ * factor, minimumMagnification, maximumMagnification));
}

void ImageEditorState::resetZoom() {
    setMagnification(minimumMagnification);
}

void ImageEditorState::setMagnification(double magnification, bool animated) {
    magnification_ = magnification;
    // std::round takes halves away from zero.
    const int percent = int(std::round(magnification_ * 100));
    if (percent != zoomPercent_) {
        zoomPercent_ = percent;
        emit zoomPercentChanged();
    }
    zoomAnimation_.stop();
    if (!animated || !scrollView_->isVisible() || reduceMotion()) {
        showMagnification(magnification);
        return;
    }
    zoomAnimation_.setStartValue(shownMagnification_);
    zoomAnimation_.setEndValue(magnification);
    zoomAnimation_.start();
}

void ImageEditorState::showMagnification(double magnification) {
    const QSize viewport = scrollView_->viewport()->size();
    const QSize before = container_->size();
    // The point at the centre of the view stays there.
    const double centreX =
        before.width() > 0
            ? (scrollView_->horizontalScrollBar()->value() + viewport.width() / 2.0) / before.width()
            : 0.5;
    const double centreY =
        before.height() > 0
            ? (scrollView_->verticalScrollBar()->value() + viewport.height() / 2.0) / before.height()
            : 0.5;
    shownMagnification_ = magnification;
    layOut();
    const QSize after = container_->size();
    const QSize shown = scrollView_->viewport()->size();
    scrollView_->horizontalScrollBar()->setValue(
        int(std::round(centreX * after.width() - shown.width() / 2.0)));
    scrollView_->verticalScrollBar()->setValue(
        int(std::round(centreY * after.height() - shown.height() / 2.0)));
}

void ImageEditorState::layOut() {
    // Fitted to the whole viewport, as if no scroll bars were shown, so that they do not come and go.
    container_->fit(scrollView_->maximumViewportSize(), shownMagnification_);
}

bool ImageEditorState::eventFilter(QObject* watched, QEvent* event) {
    // Compared as a plain object: the viewport's children still send events while the scroll view is
    // being destroyed, when it is no longer a QScrollArea.
    if (watched != viewport_) {
        return false;
    }
    switch (event->type()) {
    case QEvent::Resize:
        layOut();
        return false;
    case QEvent::Wheel: {
        // Ctrl with the wheel zooms, as in the desktop's image viewers; the wheel alone scrolls.
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if (!(wheel->modifiers() & Qt::ControlModifier) || wheel->angleDelta().y() == 0) {
            return false;
        }
        zoom(wheel->angleDelta().y() > 0 ? zoomInFactor : zoomOutFactor);
        return true;
    }
    case QEvent::NativeGesture: {
        // A touchpad pinch follows the fingers.
        const auto* gesture = static_cast<QNativeGestureEvent*>(event);
        if (gesture->gestureType() != Qt::ZoomNativeGesture) {
            return false;
        }
        setMagnification(
            std::clamp(magnification_ * (1 + gesture->value()), minimumMagnification, maximumMagnification),
            false);
        return true;
    }
    default:
        return false;
    }
}

QImage ImageEditorState::renderedImage() const {
    QImage out(image_.size(),
               image_.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    out.fill(Qt::transparent);
    QPainter painter(&out);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, image_);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF pixels(QPointF(0, 0), QSizeF(image_.size()));
    for (const Annotation& annotation : canvas_->annotations()) {
        drawAnnotation(painter, annotation, pixels);
    }
    return out;
}

std::optional<Bytes> ImageEditorState::render() const {
    auto png = encodePngImage(renderedImage());
    if (!png) {
        qCWarning(desktopLog, "The edited image could not be encoded as PNG");
    }
    return png;
}

std::optional<Bytes> ImageEditorState::encodedImage(ImageFileFormat format) const {
    switch (format) {
    case ImageFileFormat::png:
        return render();
    case ImageFileFormat::jpeg: {
        // JPEG has no transparency: clear areas show white, as on paper.
        QImage flat(image_.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, renderedImage());
        painter.end();
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        if (!flat.save(&buffer, "JPEG", jpegQuality)) {
            qCWarning(desktopLog, "The edited image could not be encoded as JPEG");
            return std::nullopt;
        }
        return Bytes(jpeg.begin(), jpeg.end());
    }
    case ImageFileFormat::gif: {
        auto gif = encodeGif(renderedImage());
        if (!gif) {
            qCWarning(desktopLog, "The edited image could not be encoded as GIF");
        }
        return gif;
    }
    }
    return std::nullopt;
}

} // namespace snipstack
