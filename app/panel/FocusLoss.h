#pragma once

#include <QWindow>

namespace snipstack {

// Whether focus moving to `focused` means the user left the panel: it went to another window or
// nowhere, and not to one of the panel's own menus or dialogs (windows transient for it).
inline bool focusLeftPanel(const QWindow* focused, const QWindow* panel) {
    for (const QWindow* window = focused; window; window = window->transientParent()) {
        if (window == panel) {
            return false;
        }
    }
    return true;
}

} // namespace snipstack
