#include "core/geometry/PanelGeometry.h"

#include <gtest/gtest.h>
#include <optional>

namespace snipstack::PanelGeometry {
namespace {

// A laptop display's usable area: menu bar above, Dock 25 points high below.
const Rect laptop{0, 25, 1440, 875};

TEST(PanelGeometryFrame, PlacesByFractionsWithinUsableArea) {
    EXPECT_EQ(frame(laptop, panelWidth, std::nullopt, std::nullopt, false, false),
              (Rect{1020, 78, 420, 770}));
    EXPECT_EQ(frame(laptop, panelWidth, 0.0, 0.25, false, true), (Rect{1020, 51, 420, 770}));
    EXPECT_EQ(frame(laptop, panelWidth, 0.5, 1.0, true, false), (Rect{510, 25, 420, 875}));
    EXPECT_EQ(frame(Rect{-300, 0, 300, 500}, panelWidth, 1.0, 0.0, false, false), (Rect{-300, 0, 420, 440}));
}

TEST(PanelGeometryPointerFrame, HangsBelowRightOfPointerButStaysInside) {
    EXPECT_EQ(pointerFrame(laptop, panelWidth, Point{500.5, 850}, false), (Rect{513, 68, 420, 770}));
    EXPECT_EQ(pointerFrame(laptop, panelWidth, Point{1435, 850}, false).minX(), 1020);
    EXPECT_EQ(pointerFrame(laptop, panelWidth, Point{500, 100}, false).minY(), 25);
    EXPECT_EQ(pointerFrame(Rect{100, 50, 300, 400}, panelWidth, Point{350, 60}, true),
              (Rect{100, 50, 420, 400}));
}

TEST(PanelGeometryFractions, SnapsNearbyEdgesAndClamps) {
    EXPECT_EQ(fractions(Rect{20, 300, 420, 770}, laptop, snapDistance).x, 0);
    EXPECT_DOUBLE_EQ(fractions(Rect{30, 300, 420, 770}, laptop, snapDistance).x, 30.0 / 1020);
    EXPECT_EQ(fractions(Rect{1000, 110, 420, 770}, laptop, snapDistance), (Fractions{1, 1}));
    EXPECT_EQ(fractions(Rect{-100, 2000, 420, 770}, laptop, snapDistance), (Fractions{0, 1}));
    // Both edges in reach: the right one wins.
    EXPECT_EQ(fractions(Rect{10, 25, 420, 770}, Rect{0, 25, 440, 875}, snapDistance).x, 1);
    EXPECT_EQ(fractions(Rect{10, 25, 420, 875}, Rect{0, 25, 300, 875}, snapDistance), (Fractions{0.5, 0.5}));
}

TEST(PanelGeometryFractions, StoredPositionReopensInsideArea) {
    const Fractions inside = fractions(Rect{700, 100, 420, 770}, laptop, snapDistance);
    EXPECT_EQ(frame(laptop, panelWidth, inside.x, inside.y, false, false), (Rect{700, 100, 420, 770}));
    const Fractions pastTop = fractions(Rect{700, 400, 420, 770}, laptop, snapDistance);
    EXPECT_EQ(frame(laptop, panelWidth, pastTop.x, pastTop.y, false, false), (Rect{700, 130, 420, 770}));
}

} // namespace
} // namespace snipstack::PanelGeometry
