#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <variant>
#include <vector>

class QPainter;

namespace snipstack {

// A mark on the image, in coordinates normalised to it: 0 to 1 across its width and height, origin at
// its bottom-left corner, y growing upwards. Marks so kept survive zooming, resizing and rendering at
// the image's own pixel size unchanged.
struct Annotation {
    using Stroke = std::vector<QPointF>;
    // A rectangle is kept as (left, bottom, width, height).
    std::variant<Stroke, QRectF> shape;
    QColor color;
    // A stroke's width relative to the image's longer side; rectangles carry one they do not use.
    double width = 0;

    friend bool operator==(const Annotation&, const Annotation&) = default;
};

// The rectangle with corners `a` and `b`, as (left, bottom, width, height).
QRectF spannedRect(QPointF a, QPointF b);

// Where a normalised point or rectangle lands in `target`, a rectangle in Qt's top-left coordinates.
QPointF mapToTarget(QPointF point, const QRectF& target);
QRectF mapToTarget(const QRectF& rect, const QRectF& target);

// Rectangles are filled at 30% opacity; strokes are drawn at least 1.5 wide with round caps and joins.
void drawAnnotation(QPainter& painter, const Annotation& annotation, const QRectF& target);

// The area `annotation` covers in `target`, its stroke's width included.
QRectF annotationBounds(const Annotation& annotation, const QRectF& target);

} // namespace snipstack
