#pragma once

#include "app/system/desktop/Desktop.h"
#include "app/system/desktop/DesktopEntries.h"
#include "app/system/desktop/ScreenCaptureDetector.h"
#include "app/system/desktop/WakeWatcher.h"

#include <QThreadPool>
#include <filesystem>
#include <memory>

namespace snipstack {

// The desktop on Linux: X11 through Qt's connection (bell, global shortcut, XTest keystrokes),
// logind on the system bus, the XDG desktop entries and autostart, the process table, and
// Tesseract on a pool of its own. Needs the QGuiApplication to exist; main thread only.
class SystemDesktop final : public Desktop {
public:
    // Application icons are looked up in `desktopEntries`, which must outlive this desktop and may be
    // shared with others on the main thread. `procRoot` is where the process table is read.
    explicit SystemDesktop(DesktopEntries& desktopEntries, std::filesystem::path procRoot = "/proc");
    // Drops recognitions not yet begun (their futures are cancelled) and waits for running ones.
    ~SystemDesktop() override;

    SystemDesktop(const SystemDesktop&) = delete;
    SystemDesktop& operator=(const SystemDesktop&) = delete;

    // The X bell at the user's volume; silent off X11.
    void beep() override;

    bool registerHotKey(const HotKey& hotKey, std::function<void()> handler) override;
    void unregisterHotKey() override;
    // Replaces the previous handler.
    void observeWake(std::function<void()> handler) override;

    // True when the X server offers XTest, which posts the paste keystroke.
    bool accessibilityGranted() override;
    // X11 has no permission prompt: logs the request and answers accessibilityGranted().
    bool requestAccessibility() override;
    // There is no settings pane to open either; only requests access.
    void openAccessibilitySettings() override;
    // Ctrl+V, or Ctrl+Shift+V into a terminal emulator named by its WM_CLASS class, after releasing
    // the modifiers the user still holds; into xterm, uxterm and urxvt, Shift+Insert after copying
    // what we own on the clipboard into PRIMARY.
    bool postPasteKeystroke(std::string_view windowClass) override;

    // The running executable's XDG autostart entry.
    bool setLaunchAtLogin(bool enabled) override;
    bool launchAtLoginEnabled() override;

    bool isScreenBeingCaptured() override;

    // On a low-priority thread: empty text when the image shows none. Continue with
    // future.then(context, ...) to get the result back on the main thread.
    QFuture<std::optional<RecognizedText>> recognizeText(Bytes image) override;

    // `bundleID` is a desktop-file ID or a lower-cased window class.
    std::optional<QIcon> applicationIcon(const std::string& bundleID) override;

private:
    ScreenCaptureDetector captureDetector_;
    DesktopEntries& desktopEntries_;
    // Made on the first observeWake, so a desktop nobody asks about wakes never joins the system bus.
    std::unique_ptr<WakeWatcher> wakeWatcher_;
    // Two engines at most: each holds tens of megabytes while it works.
    QThreadPool recognitionPool_;
};

} // namespace snipstack
