#pragma once

#include <optional>

// Where the clipboard panel goes on a screen. Coordinates are points with the origin at the
// bottom-left of the main display and y growing upwards; a screen is described by its usable area.
namespace snipstack::PanelGeometry {

struct Point {
    double x = 0;
    double y = 0;

    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;

    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double minX() const { return x; }
    double maxX() const { return x + width; }
    double minY() const { return y; }
    double maxY() const { return y + height; }

    friend bool operator==(const Rect&, const Rect&) = default;
};

// A position as shares (0...1) of the free space around the panel, so it carries over to
// screens of other sizes: x = 0 is flush left, x = 1 flush right, y = 0 bottom, y = 1 top.
struct Fractions {
    double x = 0;
    double y = 0;

    friend bool operator==(const Fractions&, const Fractions&) = default;
};

inline constexpr double panelWidth = 420;
inline constexpr Size initialContentSize{420, 700};
inline constexpr double heightFraction = 0.88;
inline constexpr double defaultXFraction = 1.0;
inline constexpr double defaultYFraction = 0.5;
inline constexpr double pointerOffset = 12;
inline constexpr double snapDistance = 28;
inline constexpr double followInterval = 0.25;
inline constexpr double settleDelay = 0.15;

// Whole points, halves away from zero.
double rnd(double v);

// The panel placed at the given fractions of the free space; absent fractions fall back to the
// defaults, and pinRight forces the right edge. Fractions are applied as given, not clamped.
Rect frame(const Rect& visible, double width, std::optional<double> xFraction,
           std::optional<double> yFraction, bool fullHeight, bool pinRight);

// The panel with its top-left corner just below and right of the pointer, kept inside the area;
// a panel larger than the area sticks to the left and bottom edges.
Rect pointerFrame(const Rect& visible, double width, Point pointer, bool fullHeight);

// The fractions of a dragged frame after snapping edges within `snap` points of the area's.
Fractions fractions(const Rect& frame, const Rect& visible, double snap);

} // namespace snipstack::PanelGeometry
