#pragma once

#include "app/model/DesktopServices.h"
#include "app/system/DesktopEntries.h"
#include "app/system/SystemServices.h"
#include "app/system/WakeWatcher.h"

#include <memory>

namespace snipstack {

// The desktop as the model sees it: X11 through Qt's connection, logind on the system bus and the
// XDG desktop entries. Needs the QGuiApplication to exist; main thread only.
class SystemDesktop final : public DesktopServices {
public:
    // `services` is shared with the rest of the program and must outlive this object.
    explicit SystemDesktop(SystemServices& services);

    void applyTheme(ThemeChoice theme) override;
    // The X bell at the user's volume; silent off X11.
    void beep() override;

    bool registerHotKey(const HotKey& hotKey, std::function<void()> handler) override;
    // Replaces the previous handler.
    void observeWake(std::function<void()> handler) override;

    bool accessibilityGranted() override;
    void requestAccessibility() override;
    void openAccessibilitySettings() override;
    void postPasteKeystroke(std::string_view windowClass) override;

    void setLaunchAtLogin(bool enabled) override;

    QFuture<std::optional<RecognizedText>> recognizeText(Bytes image) override;

    // `bundleID` is a desktop-file ID or a lower-cased window class.
    std::optional<QIcon> applicationIcon(const std::string& bundleID) override;

private:
    SystemServices& services_;
    DesktopEntries desktopEntries_;
    // Made on the first observeWake, so a desktop nobody asks about wakes never joins the system bus.
    std::unique_ptr<WakeWatcher> wakeWatcher_;
};

} // namespace snipstack
