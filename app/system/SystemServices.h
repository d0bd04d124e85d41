#pragma once

#include "app/system/ScreenCaptureDetector.h"
#include "app/system/TextRecognition.h"
#include "core/values/Bytes.h"

#include <QFuture>
#include <QThreadPool>
#include <filesystem>
#include <optional>
#include <string_view>

namespace snipstack {

// Pasting into other programs, launch at login, screen-capture detection and text recognition.
// Main thread only, except that recognition runs on a pool of its own. Needs the QGuiApplication.
class SystemServices {
public:
    explicit SystemServices(std::filesystem::path procRoot = "/proc");
    // Drops recognitions not yet begun (their futures are cancelled) and waits for running ones.
    ~SystemServices();

    SystemServices(const SystemServices&) = delete;
    SystemServices& operator=(const SystemServices&) = delete;

    // True when the X server offers XTest, which posts the paste keystroke.
    bool accessGranted() const;
    // X11 has no permission prompt: logs the request and answers accessGranted().
    bool requestAccess() const;
    // There is no settings pane to open either; only requests access.
    void openAccessibilitySettings() const;
    // Ctrl+V, or Ctrl+Shift+V into a terminal emulator named by its WM_CLASS class, after releasing
    // the modifiers the user still holds; into xterm, uxterm and urxvt, Shift+Insert after copying
    // what we own on the clipboard into PRIMARY. False when it could not be posted.
    bool postPasteKeystroke(std::string_view windowClass) const;

    // Adds or removes the running executable's XDG autostart entry; false on failure.
    bool setLaunchAtLogin(bool enabled) const;
    bool launchAtLoginEnabled() const;

    // True while a known screen recorder or sharing program runs.
    bool isScreenBeingCaptured() const;

    // Recognises text in encoded image bytes on a low-priority thread: nothing when the bytes are no
    // image, empty text when it shows none. Continue with future.then(context, ...) to get the result
    // back on the main thread.
    QFuture<std::optional<RecognizedText>> recognizeText(Bytes image);

private:
    ScreenCaptureDetector captureDetector_;
    // Two engines at most: each holds tens of megabytes while it works.
    QThreadPool recognitionPool_;
};

} // namespace snipstack
