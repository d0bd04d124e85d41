#include "app/panel/PanelPlacement.h"

namespace snipstack {

using namespace PanelGeometry;

Rect panelFrame(const Rect& visible, const PlacementInputs& inputs) {
    if (inputs.draggedPosition) {
        return frame(visible, panelWidth, inputs.draggedPosition->x, inputs.draggedPosition->y,
                     inputs.fullHeight, false);
    }
    switch (inputs.placement) {
    case PanelPlacement::rightEdge:
        return frame(visible, panelWidth, 1.0, inputs.panelY, inputs.fullHeight, true);
    case PanelPlacement::remembered:
        return frame(visible, panelWidth, inputs.panelX, inputs.panelY, inputs.fullHeight, false);
    case PanelPlacement::center:
        return frame(visible, panelWidth, 0.5, 0.5, inputs.fullHeight, false);
    case PanelPlacement::pointer:
        return pointerFrame(visible, panelWidth, inputs.pointerAnchor, inputs.fullHeight);
    }
    return frame(visible, panelWidth, std::nullopt, std::nullopt, inputs.fullHeight, false);
}

SettledDrag settleDrag(const Rect& frame, const Rect& visible, PanelPlacement placement, bool fullHeight) {
    const Fractions snapped = fractions(frame, visible, snapDistance);
    SettledDrag settled;
    switch (placement) {
    case PanelPlacement::center:
    case PanelPlacement::pointer:
        settled.draggedPosition = snapped;
        break;
    case PanelPlacement::remembered:
        settled.panelX = snapped.x;
        break;
    case PanelPlacement::rightEdge:
        break;
    }
    // A full-height panel has no vertical position of its own to remember.
    if ((placement == PanelPlacement::remembered || placement == PanelPlacement::rightEdge) && !fullHeight) {
        settled.panelY = snapped.y;
    }
    return settled;
}

} // namespace snipstack
