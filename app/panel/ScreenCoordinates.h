#pragma once

#include "core/geometry/PanelGeometry.h"

#include <QPoint>
#include <QRect>

namespace snipstack {

// The one meeting point of Qt's screen coordinates (origin top-left, y down) and PanelGeometry's
// (origin bottom-left of the primary screen, y up). `flipLine` is the y, in Qt's coordinates, of the
// primary screen's bottom edge.
struct ScreenCoordinates {
    double flipLine = 0;

    PanelGeometry::Rect toGeometry(const QRect& rect) const {
        return {double(rect.x()), flipLine - rect.y() - rect.height(), double(rect.width()),
                double(rect.height())};
    }
    PanelGeometry::Point toGeometry(const QPoint& point) const {
        return {double(point.x()), flipLine - point.y()};
    }
    // PanelGeometry rounds to whole points, so the conversion back is exact.
    QRect toQt(const PanelGeometry::Rect& rect) const {
        return QRect(int(rect.x), int(flipLine - rect.y - rect.height), int(rect.width), int(rect.height));
    }
};

} // namespace snipstack
