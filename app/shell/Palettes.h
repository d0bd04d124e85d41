#pragma once

#include "app/system/preferences/PreferenceTypes.h"

namespace snipstack {

// Gives every window of the program the light or dark palette, or hands the colours back to the
// platform theme.
void applyPalette(ThemeChoice theme);

} // namespace snipstack
