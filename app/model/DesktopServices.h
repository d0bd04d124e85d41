#pragma once

#include "app/system/HotKey.h"
#include "app/system/PreferenceTypes.h"
#include "app/system/TextRecognition.h"
#include "core/values/Bytes.h"

#include <QFuture>
#include <QIcon>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace snipstack {

// The desktop services the model uses, behind one seam so that the model runs without a desktop.
// Main thread only.
class DesktopServices {
public:
    virtual ~DesktopServices() = default;

    virtual void applyTheme(ThemeChoice theme) = 0;
    virtual void beep() = 0;

    // Makes `handler` the global shortcut's handler and registers `hotKey`; false when refused.
    virtual bool registerHotKey(const HotKey& hotKey, std::function<void()> handler) = 0;
    // `handler` runs on the main thread after every wake from sleep.
    virtual void observeWake(std::function<void()> handler) = 0;

    // Whether the program may post synthetic keystrokes.
    virtual bool accessibilityGranted() = 0;
    virtual void requestAccessibility() = 0;
    virtual void openAccessibilitySettings() = 0;
    // The paste keystroke for the application in front, whose window class is given.
    virtual void postPasteKeystroke(std::string_view windowClass) = 0;

    virtual void setLaunchAtLogin(bool enabled) = 0;

    // Runs off the main thread; nothing when the bytes are no image.
    virtual QFuture<std::optional<RecognizedText>> recognizeText(Bytes image) = 0;

    // The icon of the installed application with this identifier, or nothing.
    virtual std::optional<QIcon> applicationIcon(const std::string& bundleID) = 0;
};

} // namespace snipstack
