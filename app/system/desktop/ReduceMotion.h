#pragma once

namespace snipstack {

// Whether the user asked the desktop for fewer animations (GNOME's enable-animations switched off).
// False where the desktop has no such setting.
bool reduceMotion();

} // namespace snipstack
