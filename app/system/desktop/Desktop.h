#pragma once

#include "app/system/ocr/TextRecognition.h"
#include "app/system/shortcut/HotKey.h"
#include "core/values/Bytes.h"

#include <QFuture>
#include <QIcon>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace snipstack {

// The desktop as the model sees it, behind one seam so that the model runs without a desktop.
// Main thread only.
class Desktop {
public:
    virtual ~Desktop() = default;

    virtual void beep() = 0;

    // Makes `handler` the global shortcut's handler and registers `hotKey`; false when refused.
    virtual bool registerHotKey(const HotKey& hotKey, std::function<void()> handler) = 0;
    // Releases the registered shortcut, if any.
    virtual void unregisterHotKey() = 0;
    // `handler` runs on the main thread after every wake from sleep.
    virtual void observeWake(std::function<void()> handler) = 0;

    // Whether the program may post synthetic keystrokes.
    virtual bool accessibilityGranted() = 0;
    // Asks for that permission where the desktop has a way to; answers whether it is granted now.
    virtual bool requestAccessibility() = 0;
    virtual void openAccessibilitySettings() = 0;
    // The paste keystroke for the application in front, whose window class is given; false when it
    // could not be posted.
    virtual bool postPasteKeystroke(std::string_view windowClass) = 0;

    // Adds or removes the program's login item; false when that failed.
    virtual bool setLaunchAtLogin(bool enabled) = 0;
    // Whether the program starts at login now, as the desktop's settings may have changed it.
    virtual bool launchAtLoginEnabled() = 0;

    // True while a known screen recorder or screen-sharing program runs.
    virtual bool isScreenBeingCaptured() = 0;

    // Runs off the main thread; nothing when the bytes are no image.
    virtual QFuture<std::optional<RecognizedText>> recognizeText(Bytes image) = 0;

    // The icon of the installed application with this identifier, or nothing.
    virtual std::optional<QIcon> applicationIcon(const std::string& bundleID) = 0;
};

} // namespace snipstack
