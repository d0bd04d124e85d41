#include "app/model/AppModel.h"
#include "app/system/LogCategories.h"

namespace snipstack {

void AppModel::togglePause() {
    setCapturePaused(!capturePaused_);
    if (!capturePaused_) {
        // What is on the clipboard now was copied while paused; the user resumed to take it in.
        monitor_.lastChangeCount = -1;
    }
}

void AppModel::toggleFromStatusItem() {
    togglePanel();
}

void AppModel::setShowMenuBarIcon(bool on) {
    preferences_->setShowMenuBarIcon(on);
}

bool AppModel::confirmHideMenuBarIcon() {
    const QString text = "Snipstack keeps running and " +
                         QString::fromStdString(preferences_->hotKey().display()) +
                         " still opens your clipboard. To get back to Settings, open Snipstack from your "
                         "applications menu.";
    if (alert(Alert::Style::informational, "Hide the menu bar icon?", text, {"Hide Icon", "Cancel"}) != 0) {
        return false;
    }
    setShowMenuBarIcon(false);
    return true;
}

bool AppModel::setLaunchAtLogin(bool on) {
    const bool changed = environment_.desktop.setLaunchAtLogin(on);
    if (!changed) {
        qCWarning(desktopLog, "Could not %s the login item", on ? "add" : "remove");
    }
    return changed;
}

bool AppModel::launchAtLoginEnabled() const {
    return environment_.desktop.launchAtLoginEnabled();
}

void AppModel::unregisterHotKey() {
    environment_.desktop.unregisterHotKey();
}

void AppModel::requestAccessibilityAccess() {
    environment_.desktop.requestAccessibility();
    environment_.desktop.openAccessibilitySettings();
    refreshAccessibility();
}

bool AppModel::checkAccessibility() {
    const bool before = accessibilityGranted_;
    refreshAccessibility();
    return accessibilityGranted_ && !before;
}

void AppModel::resetPanelPosition() {
    preferences_->setPanelPlacement(PanelPlacement::rightEdge);
    preferences_->setPanelX(std::nullopt);
    preferences_->setPanelY(std::nullopt);
}

} // namespace snipstack
