#include "app/shell/AppDelegate.h"

#include "app/editors/RichTextPreviews.h"
#include "app/shell/SingleInstance.h"

#include <QStandardPaths>

namespace snipstack {

namespace {

std::filesystem::path defaultStorageBase() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return std::filesystem::path(data.toStdString()) / "Snipstack";
}

} // namespace

AppDelegate::AppDelegate(SingleInstance& instance) : richPreviews_(std::make_unique<RichTextPreviews>()) {
    AppModelEnvironment environment{pasteboard_, workspace_, vault_,         desktop_,
                                    windows_,    alerts_,    *richPreviews_, defaultStorageBase()};
    // A key left in an older key store moves to the current one by a rotation. Only the keyring
    // exists here, so the older store never holds one; asked first, it spares a keyring call.
    environment.keyNeedsUpgrade = [this](const std::string& keyID) {
        return vault_.isDataProtectionStoreAvailable() && vault_.itemExists(keyID, false) &&
               !vault_.itemExists(keyID, true);
    };
    model_ = std::make_unique<AppModel>(std::make_unique<Preferences>(), std::move(environment));
    connect(&instance, &SingleInstance::showSettingsRequested, this, &AppDelegate::reopen);
    connect(&instance, &SingleInstance::togglePanelRequested, this, [this] { model_->hotKeyPressed(); });
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching() {
    model_->launch();
}

void AppDelegate::reopen() {
    windows_.showWindow(model_->isStarted() ? AppWindows::settings : AppWindows::onboarding);
}

} // namespace snipstack
