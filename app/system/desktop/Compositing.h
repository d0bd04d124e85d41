#pragma once

namespace snipstack {

// Whether a compositing manager runs on the X screen, so that translucent windows and fades show as
// such; false off X11.
bool compositingManagerRunning();

} // namespace snipstack
