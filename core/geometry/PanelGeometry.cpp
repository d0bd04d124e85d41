#include "core/geometry/PanelGeometry.h"

#include <algorithm>
#include <cmath>

namespace snipstack::PanelGeometry {

namespace {

double panelHeight(const Rect& visible, bool fullHeight) {
    return fullHeight ? visible.height : rnd(visible.height * heightFraction);
}

// Snaps to the far edge after the near one, so a span barely wider than the panel ends up flush
// with the far edge, then expresses the position as a share of the free space.
double snappedFraction(double position, double length, double areaMin, double areaLength, double snap) {
    const double areaMax = areaMin + areaLength;
    if (std::abs(position - areaMin) < snap) {
        position = areaMin;
    }
    if (std::abs(position + length - areaMax) < snap) {
        position = areaMax - length;
    }
    const double free = areaLength - length;
    if (free <= 0) {
        return 0.5;
    }
    return std::clamp((position - areaMin) / free, 0.0, 1.0);
}

} // namespace

double rnd(double v) {
    return std::round(v);
}

Rect frame(const Rect& visible, double width, std::optional<double> xFraction,
           std::optional<double> yFraction, bool fullHeight, bool pinRight) {
    const double height = panelHeight(visible, fullHeight);
    const double xShare = pinRight ? defaultXFraction : xFraction.value_or(defaultXFraction);
    const double yShare = yFraction.value_or(defaultYFraction);
    const double x = rnd(visible.minX() + std::max(visible.width - width, 0.0) * xShare);
    const double y = rnd(visible.minY() + std::max(visible.height - height, 0.0) * yShare);
    return Rect{x, y, width, height};
}

Rect pointerFrame(const Rect& visible, double width, Point pointer, bool fullHeight) {
    const double height = panelHeight(visible, fullHeight);
    const double x = rnd(std::min(std::max(visible.maxX() - width, visible.minX()),
                                  std::max(pointer.x + pointerOffset, visible.minX())));
    const double y = rnd(std::min(std::max(visible.maxY() - height, visible.minY()),
                                  std::max(pointer.y - pointerOffset - height, visible.minY())));
    return Rect{x, y, width, height};
}

Fractions fractions(const Rect& frame, const Rect& visible, double snap) {
    return Fractions{
        snappedFraction(frame.minX(), frame.width, visible.minX(), visible.width, snap),
        snappedFraction(frame.minY(), frame.height, visible.minY(), visible.height, snap),
    };
}

} // namespace snipstack::PanelGeometry
