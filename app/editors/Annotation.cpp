#include "app/editors/Annotation.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace snipstack {

namespace {

constexpr double highlightOpacity = 0.3;
constexpr double thinnestStroke = 1.5;

double lineWidth(const Annotation& annotation, const QRectF& target) {
    return std::max(thinnestStroke, std::max(target.width(), target.height()) * annotation.width);
}

} // namespace

QRectF spannedRect(QPointF a, QPointF b) {
    return QRectF(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::abs(a.x() - b.x()),
                  std::abs(a.y() - b.y()));
}

QPointF mapToTarget(QPointF point, const QRectF& target) {
    // The one place where the image's bottom-left origin meets Qt's top-left one.
    return {target.left() + point.x() * target.width(), target.top() + (1 - point.y()) * target.height()};
}

QRectF mapToTarget(const QRectF& rect, const QRectF& target) {
    const QPointF topLeft = mapToTarget(QPointF(rect.x(), rect.y() + rect.height()), target);
    return QRectF(topLeft, QSizeF(rect.width() * target.width(), rect.height() * target.height()));
}

void drawAnnotation(QPainter& painter, const Annotation& annotation, const QRectF& target) {
    if (const auto* rect = std::get_if<QRectF>(&annotation.shape)) {
        QColor fill = annotation.color;
        fill.setAlphaF(float(fill.alphaF() * highlightOpacity));
        painter.fillRect(mapToTarget(*rect, target), fill);
        return;
    }
    const auto& points = std::get<Annotation::Stroke>(annotation.shape);
    if (points.empty()) {
        return;
    }
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(
        QPen(annotation.color, lineWidth(annotation, target), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (points.size() == 1) {
        // A path of one point strokes nothing; a point drawn with a round cap is the dot a click leaves.
        painter.drawPoint(mapToTarget(points.front(), target));
    } else {
        QPainterPath path(mapToTarget(points.front(), target));
        for (std::size_t i = 1; i < points.size(); ++i) {
            path.lineTo(mapToTarget(points[i], target));
        }
        painter.drawPath(path);
    }
    painter.restore();
}

QRectF annotationBounds(const Annotation& annotation, const QRectF& target) {
    if (const auto* rect = std::get_if<QRectF>(&annotation.shape)) {
        return mapToTarget(*rect, target);
    }
    const auto& points = std::get<Annotation::Stroke>(annotation.shape);
    if (points.empty()) {
        return {};
    }
    // QRectF::united drops the empty rectangles single points would be.
    QPointF low = mapToTarget(points.front(), target);
    QPointF high = low;
    for (const QPointF& point : points) {
        const QPointF mapped = mapToTarget(point, target);
        low = QPointF(std::min(low.x(), mapped.x()), std::min(low.y(), mapped.y()));
        high = QPointF(std::max(high.x(), mapped.x()), std::max(high.y(), mapped.y()));
    }
    const double margin = lineWidth(annotation, target) / 2 + 1;
    return QRectF(low, high).adjusted(-margin, -margin, margin, margin);
}

} // namespace snipstack
