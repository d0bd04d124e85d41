#pragma once

#include "app/system/preferences/PreferenceTypes.h"
#include "core/geometry/PanelGeometry.h"

#include <optional>

namespace snipstack {

// What decides where the panel goes on a screen: the preferences and this opening's own state.
struct PlacementInputs {
    PanelPlacement placement = PanelPlacement::rightEdge;
    std::optional<double> panelX;
    std::optional<double> panelY;
    bool fullHeight = false;
    // Where the user dragged the panel during this opening, for the center and pointer placements.
    std::optional<PanelGeometry::Fractions> draggedPosition;
    // The pointer when the panel opened or moved to another screen.
    PanelGeometry::Point pointerAnchor;
};

// The panel's frame on a screen with the usable area `visible`.
PanelGeometry::Rect panelFrame(const PanelGeometry::Rect& visible, const PlacementInputs& inputs);

// What a finished drag keeps: the snapped fractions for this opening only, or values for the
// preferences panelX and panelY (each only when set).
struct SettledDrag {
    std::optional<PanelGeometry::Fractions> draggedPosition;
    std::optional<double> panelX;
    std::optional<double> panelY;
};

// The panel left at `frame` inside `visible`, snapped to nearby edges.
SettledDrag settleDrag(const PanelGeometry::Rect& frame, const PanelGeometry::Rect& visible,
                       PanelPlacement placement, bool fullHeight);

} // namespace snipstack
