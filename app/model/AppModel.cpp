#include "app/model/AppModel.h"

#include "app/system/LogCategories.h"
#include "core/model/MemoryBackend.h"

#include <chrono>

namespace snipstack {

namespace {

constexpr std::chrono::seconds rotationCheckInterval{3600};
constexpr std::chrono::seconds expiryCheckInterval{60};
// A press this soon after the panel hid is the same press that hid it, seen again.
constexpr std::chrono::milliseconds reopenGuard{300};

} // namespace

AppModel::AppModel(std::unique_ptr<Preferences> preferences, AppModelEnvironment environment, QObject* parent)
    : QObject(parent), preferences_(std::move(preferences)), environment_(std::move(environment)),
      history_(std::make_unique<History>(std::make_shared<MemoryBackend>(), preferences_->maxItems())),
      monitor_(environment_.pasteboard, environment_.workspace) {
    accessibilityGranted_ = environment_.desktop.accessibilityGranted();
    workers_.setMaxThreadCount(1);
    // Rotation runs at utility priority: it must not slow the desktop down.
    workers_.setThreadPriority(QThread::LowPriority);
    thumbnailDecoder_.setMaxThreadCount(1);
}

AppModel::~AppModel() {
    workers_.waitForDone();
    thumbnailDecoder_.waitForDone();
}

std::filesystem::path AppModel::storageBase() const {
    return customStorageBase_ ? *customStorageBase_ : environment_.defaultStorageBase;
}

void AppModel::setSelectedID(const std::optional<Uuid>& id) {
    assign(selectedID_, id, &AppModel::selectedIDChanged);
}

void AppModel::setPanelVisible(bool visible) {
    assign(panelVisible_, visible, &AppModel::panelVisibleChanged);
}

void AppModel::setScreenBeingShared(bool shared) {
    assign(isScreenBeingShared_, shared, &AppModel::isScreenBeingSharedChanged);
}

void AppModel::setRevealedToViewers(bool revealed) {
    assign(revealedToViewers_, revealed, &AppModel::revealedToViewersChanged);
}

void AppModel::setShieldActive(bool active) {
    assign(shieldActive_, active, &AppModel::shieldActiveChanged);
}

void AppModel::setTileDetailsRevealed(bool revealed) {
    assign(tileDetailsRevealed_, revealed, &AppModel::tileDetailsRevealedChanged);
}

void AppModel::setSetupStorageChoice(const std::optional<bool>& choice) {
    assign(setupStorageChoice_, choice, &AppModel::setupStorageChoiceChanged);
}

void AppModel::setSetupLaunchAtLogin(bool launch) {
    assign(setupLaunchAtLogin_, launch, &AppModel::setupLaunchAtLoginChanged);
}

void AppModel::setSetupOpenScreenshots(bool open) {
    assign(setupOpenScreenshots_, open, &AppModel::setupOpenScreenshotsChanged);
}

void AppModel::setHotKeyRegistered(bool registered) {
    assign(hotKeyRegistered_, registered, &AppModel::hotKeyRegisteredChanged);
}

void AppModel::setCapturePaused(bool paused) {
    assign(capturePaused_, paused, &AppModel::capturePausedChanged);
}

AppModel::ViewerVisibility AppModel::viewerVisibility() const {
    if (!preferences_->hideFromScreenSharing()) {
        return ViewerVisibility::always;
    }
    return revealedToViewers_ ? ViewerVisibility::untilClosed : ViewerVisibility::hidden;
}

void AppModel::setViewerVisibility(ViewerVisibility visibility) {
    preferences_->setHideFromScreenSharing(visibility != ViewerVisibility::always);
    setRevealedToViewers(visibility == ViewerVisibility::untilClosed);
    if (panel_) {
        panel_->applySharingProtection();
    }
}

void AppModel::refreshAccessibility() {
    assign(accessibilityGranted_, environment_.desktop.accessibilityGranted(),
           &AppModel::accessibilityGrantedChanged);
}

bool AppModel::registerHotKey(const HotKey& hotKey) {
    QPointer<AppModel> model(this);
    return environment_.desktop.registerHotKey(hotKey, [model] {
        if (model) {
            model->hotKeyPressed();
        }
    });
}

HotKeyApplied AppModel::applyHotKey(const std::optional<HotKey>& newHotKey) {
    const HotKeyApplied applied = snipstack::applyHotKey(
        newHotKey, *preferences_, [this](const HotKey& hotKey) { return registerHotKey(hotKey); });
    setHotKeyRegistered(applied.registered);
    return applied;
}

void AppModel::launch() {
    environment_.windows.applyTheme(preferences_->theme());
    statusItem_ = environment_.windows.makeStatusItem(*this);
    setHotKeyRegistered(registerHotKey(preferences_->hotKey()));
    refreshAccessibility();
    if (accessibilityGranted_ && preferences_->storageChosen()) {
        start();
        return;
    }
    if (!accessibilityGranted_) {
        environment_.desktop.requestAccessibility();
    }
    environment_.windows.showFirstRun();
}

void AppModel::hotKeyPressed() {
    if (!isStarted_) {
        refreshAccessibility();
        if (accessibilityGranted_ && setupStorageChoice_ && environment_.windows.isFirstRunVisible()) {
            finishSetup();
        } else {
            environment_.windows.showFirstRun();
        }
        return;
    }
    togglePanel();
}

void AppModel::togglePanel() {
    if (!panel_) {
        return;
    }
    if (panel_->isWindowVisible()) {
        panel_->hide();
        return;
    }
    const auto hidden = panel_->lastHidden();
    if (hidden && std::chrono::steady_clock::now() - *hidden <= reopenGuard) {
        return;
    }
    panel_->show();
}

void AppModel::finishSetup() {
    if (isStarted_ || !setupStorageChoice_) {
        return;
    }
    refreshAccessibility();
    if (!accessibilityGranted_) {
        return;
    }
    setLaunchAtLogin(setupLaunchAtLogin_);
    preferences_->setOpenScreenshotsInEditor(setupOpenScreenshots_);
    environment_.windows.closeFirstRun();
    refreshAccessibility();
    if (accessibilityGranted_) {
        preferences_->setPersistent(*setupStorageChoice_);
        preferences_->setStorageChosen(true);
        preferences_->setOnboardingDone(true);
        start();
    }
    if (statusItem_) {
        statusItem_->showFirstRunTip();
    }
}

void AppModel::start() {
    if (isStarted_) {
        return;
    }
    assign(isStarted_, true, &AppModel::isStartedChanged);
    refreshAccessibility();
    panel_ = environment_.windows.makePanel(*this);
    openStore();

    QPointer<AppModel> model(this);
    monitor_.skipConfidential = [model] { return !model || model->preferences_->skipConcealed(); };
    monitor_.onCapture = [model](const ClipDraft& draft) {
        if (model) {
            model->handleCapture(draft);
        }
    };
    monitor_.start(PasteboardMonitor::idlePollInterval);
    environment_.pasteboard.onOwnerGone = [model] {
        if (model) {
            model->keepClipboard();
        }
    };
    environment_.pasteboard.onSaveRequest = [model](std::function<void(bool)> done) {
        if (model) {
            model->keepOnRequest(std::move(done));
        } else {
            done(false);
        }
    };
    connect(&monitor_, &PasteboardMonitor::readingsDelivered, this, &AppModel::settleKeeping);
    environment_.pasteboard.becomeClipboardManager();

    rotationTimer_.setInterval(rotationCheckInterval);
    connect(&rotationTimer_, &QTimer::timeout, this, &AppModel::checkRotationDue);
    rotationTimer_.start();
    checkRotationDue();

    expiryTimer_.setInterval(expiryCheckInterval);
    connect(&expiryTimer_, &QTimer::timeout, this, &AppModel::applyExpiry);
    expiryTimer_.start();
    applyExpiry();

    environment_.desktop.observeWake([model] {
        if (model) {
            model->relockAfterWake();
        }
    });
}

} // namespace snipstack
