#pragma once

#include "app/system/preferences/PreferenceTypes.h"

namespace snipstack {

// A pen stroke's width as a share of the image's longer side, so that a stroke looks the same
// whatever the zoom and however large the image.
constexpr double penStrokeWidth(PenThickness thickness) {
    switch (thickness) {
    case PenThickness::fine:
        return 0.003;
    case PenThickness::medium:
        return 0.006;
    case PenThickness::bold:
        return 0.012;
    case PenThickness::marker:
        return 0.022;
    }
    return 0.006;
}

// The diameter in points of the dot that stands for the thickness in the toolbar.
constexpr double penDotDiameter(PenThickness thickness) {
    switch (thickness) {
    case PenThickness::fine:
        return 3;
    case PenThickness::medium:
        return 5;
    case PenThickness::bold:
        return 8;
    case PenThickness::marker:
        return 12;
    }
    return 5;
}

} // namespace snipstack
