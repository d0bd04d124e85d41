#pragma once

#include <chrono>
#include <optional>

namespace snipstack {

// What the model asks of the floating panel's controller.
class PanelControl {
public:
    virtual ~PanelControl() = default;

    virtual void show() = 0;
    virtual void hide() = 0;
    // The panel's window is on screen.
    virtual bool isWindowVisible() const = 0;
    // When the panel last went away, so that the shortcut does not reopen it at once.
    virtual std::optional<std::chrono::steady_clock::time_point> lastHidden() const = 0;
    // Applies the viewers' visibility setting to the panel again.
    virtual void applySharingProtection() = 0;
};

} // namespace snipstack
