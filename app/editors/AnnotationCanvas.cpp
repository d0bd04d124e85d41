#include "app/editors/AnnotationCanvas.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace snipstack {

AnnotationCanvas::AnnotationCanvas(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_NoSystemBackground);
    setTool(AnnotationTool::selectText);
}

void AnnotationCanvas::setTool(AnnotationTool tool) {
    tool_ = tool;
    // Clicks reach the recognised text underneath while text is being selected.
    setAttribute(Qt::WA_TransparentForMouseEvents, tool == AnnotationTool::selectText);
    setCursor(tool == AnnotationTool::selectText ? Qt::IBeamCursor : Qt::CrossCursor);
}

void AnnotationCanvas::reset(std::vector<Annotation> annotations) {
    annotations_ = std::move(annotations);
    current_.reset();
    cropSelection_.reset();
    dragging_ = false;
    update();
    changed();
}

void AnnotationCanvas::undo() {
    if (annotations_.empty()) {
        return;
    }
    const QRectF bounds = annotationBounds(annotations_.back(), rect());
    annotations_.pop_back();
    update(bounds.toAlignedRect());
    changed();
}

QPointF AnnotationCanvas::normalisedPoint(QPointF position) const {
    if (width() <= 0 || height() <= 0) {
        return {};
    }
    return {std::clamp(position.x() / width(), 0.0, 1.0), std::clamp(1 - position.y() / height(), 0.0, 1.0)};
}

void AnnotationCanvas::mouseDown(QPointF point) {
    dragStart_ = point;
    dragging_ = true;
    switch (tool_) {
    case AnnotationTool::pen:
        current_ = Annotation{Annotation::Stroke{point}, penColor, penWidth};
        updateCurrent();
        break;
    case AnnotationTool::highlight:
        current_ = Annotation{QRectF(point, QSizeF(0, 0)), highlightColor, highlightWidth};
        break;
    case AnnotationTool::crop: {
        const auto before = cropSelection_;
        cropSelection_ = QRectF(point, QSizeF(0, 0));
        updateSelection(before);
        changed();
        break;
    }
    case AnnotationTool::selectText:
        dragging_ = false;
        break;
    }
}

void AnnotationCanvas::mouseDragged(QPointF point) {
    if (!dragging_) {
        return;
    }
    if (tool_ == AnnotationTool::crop) {
        const auto before = cropSelection_;
        cropSelection_ = spannedRect(dragStart_, point);
        updateSelection(before);
        changed();
        return;
    }
    if (!current_) {
        return;
    }
    if (auto* stroke = std::get_if<Annotation::Stroke>(&current_->shape)) {
        // Only the new segment needs painting.
        Annotation segment{Annotation::Stroke{stroke->back(), point}, current_->color, current_->width};
        stroke->push_back(point);
        update(annotationBounds(segment, rect()).toAlignedRect());
    } else {
        const QRectF before = annotationBounds(*current_, rect());
        current_->shape = spannedRect(dragStart_, point);
        update(before.united(annotationBounds(*current_, rect())).toAlignedRect().adjusted(-1, -1, 1, 1));
    }
}

void AnnotationCanvas::mouseUp() {
    if (!dragging_) {
        return;
    }
    dragging_ = false;
    if (tool_ == AnnotationTool::crop) {
        if (cropSelection_ &&
            (cropSelection_->width() < smallestCrop || cropSelection_->height() < smallestCrop)) {
            const auto before = cropSelection_;
            cropSelection_.reset();
            updateSelection(before);
            changed();
        }
        return;
    }
    if (!current_) {
        return;
    }
    Annotation finished = std::move(*current_);
    current_.reset();
    const auto* rectangle = std::get_if<QRectF>(&finished.shape);
    const QRectF bounds = annotationBounds(finished, rect());
    if (!rectangle || (rectangle->width() >= smallestHighlight && rectangle->height() >= smallestHighlight)) {
        annotations_.push_back(std::move(finished));
    }
    update(bounds.toAlignedRect().adjusted(-1, -1, 1, 1));
    changed();
}

void AnnotationCanvas::changed() {
    if (onChange) {
        onChange();
    }
}

void AnnotationCanvas::updateCurrent() {
    if (current_) {
        update(annotationBounds(*current_, rect()).toAlignedRect());
    }
}

void AnnotationCanvas::updateSelection(const std::optional<QRectF>& before) {
    // The shade outside the selection changes only where the old and the new selection differ; with
    // no selection before or after, everything was or becomes shaded.
    if (!before || !cropSelection_) {
        update();
        return;
    }
    const QRectF changedArea = mapToTarget(*before, rect()).united(mapToTarget(*cropSelection_, rect()));
    update(changedArea.toAlignedRect().adjusted(-2, -2, 2, 2));
}

void AnnotationCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    for (const Annotation& annotation : annotations_) {
        drawAnnotation(painter, annotation, bounds);
    }
    if (current_) {
        drawAnnotation(painter, *current_, bounds);
    }
    if (cropSelection_) {
        const QRectF selection = mapToTarget(*cropSelection_, bounds);
        QPainterPath shade;
        shade.setFillRule(Qt::OddEvenFill);
        shade.addRect(bounds);
        shade.addRect(selection);
        painter.fillPath(shade, QColor::fromRgbF(0, 0, 0, float(cropShadeOpacity)));
        painter.setPen(QPen(Qt::white, cropOutlineWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(selection);
    }
}

void AnnotationCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        mouseDown(normalisedPoint(event->position()));
    }
}

void AnnotationCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) {
        mouseDragged(normalisedPoint(event->position()));
    }
}

void AnnotationCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        mouseUp();
    }
}

} // namespace snipstack
