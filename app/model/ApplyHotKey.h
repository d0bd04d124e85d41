#pragma once

#include "app/system/shortcut/HotKey.h"

#include <QString>
#include <functional>
#include <optional>

namespace snipstack {

class Preferences;

// What the user is told when a recorded shortcut cannot be registered.
struct HotKeyAlert {
    QString title;
    QString text;

    bool operator==(const HotKeyAlert&) const = default;
};

struct HotKeyApplied {
    // Whether a shortcut (the new or the saved one) is registered now.
    bool registered = false;
    // Set when a new shortcut was given and refused; the caller shows it after raising the app.
    std::optional<HotKeyAlert> alert;
};

// Registers a shortcut, true on success.
using HotKeyRegistrar = std::function<bool(const HotKey&)>;

// Tries `newHotKey` and saves it to the preferences when it registers; otherwise registers the saved
// shortcut again, and alerts when a new one was refused.
HotKeyApplied applyHotKey(const std::optional<HotKey>& newHotKey, Preferences& preferences,
                          const HotKeyRegistrar& registrar);

} // namespace snipstack
