#pragma once

#include "app/model/AppModel.h"
#include "app/system/keyring/KeychainError.h"
#include "core/store/InMemoryKeyVault.h"
#include "tests/support/FakeWorkspace.h"

#include <QFuture>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Stand-ins for the desktop and the windows, for tests and benchmarks: each records what the model
// asked of it and answers as told.
namespace snipstack::testing {

class FakeDesktop : public Desktop {
public:
    bool granted = true;
    bool hotKeyRegisters = true;
    bool hotKeyHeld = false;
    int beeps = 0;
    int accessRequests = 0;
    std::vector<std::string> pasteKeystrokes;
    std::optional<bool> launchAtLogin;
    std::function<void()> hotKeyHandler;
    std::function<void()> wakeHandler;
    std::optional<std::string> recognized = "recognised words";
    std::vector<RecognizedWord> recognizedWords;
    std::vector<std::string> iconLookups;

    void beep() override { ++beeps; }
    bool registerHotKey(const HotKey&, std::function<void()> handler) override {
        hotKeyHandler = std::move(handler);
        hotKeyHeld = hotKeyRegisters;
        return hotKeyRegisters;
    }
    void unregisterHotKey() override { hotKeyHeld = false; }
    void observeWake(std::function<void()> handler) override { wakeHandler = std::move(handler); }
    bool accessibilityGranted() override { return granted; }
    bool requestAccessibility() override {
        ++accessRequests;
        return granted;
    }
    void openAccessibilitySettings() override {}
    bool postPasteKeystroke(std::string_view windowClass) override {
        pasteKeystrokes.emplace_back(windowClass);
        return true;
    }
    bool launchAtLoginChanges = true;
    bool setLaunchAtLogin(bool enabled) override {
        if (launchAtLoginChanges) {
            launchAtLogin = enabled;
        }
        return launchAtLoginChanges;
    }
    bool launchAtLoginEnabled() override { return launchAtLogin.value_or(false); }
    bool capturing = false;
    bool isScreenBeingCaptured() override { return capturing; }
    QFuture<std::optional<RecognizedText>> recognizeText(Bytes) override {
        return QtFuture::makeReadyFuture(
            recognized ? std::optional(RecognizedText{*recognized, recognizedWords}) : std::nullopt);
    }
    std::optional<QIcon> applicationIcon(const std::string& bundleID) override {
        iconLookups.push_back(bundleID);
        return QIcon();
    }
};

class FakePanel : public PanelControl {
public:
    bool visible = false;
    std::optional<std::chrono::steady_clock::time_point> hiddenAt;
    int shows = 0;

    void show() override {
        visible = true;
        ++shows;
    }
    void hide() override {
        if (visible) {
            hiddenAt = std::chrono::steady_clock::now();
        }
        visible = false;
    }
    bool isWindowVisible() const override { return visible; }
    std::optional<std::chrono::steady_clock::time_point> lastHidden() const override { return hiddenAt; }
    void applySharingProtection() override {}
};

class FakeStatusItem : public StatusItem {
public:
    explicit FakeStatusItem(int& tips) : tips_(tips) {}
    void showFirstRunTip() override { ++tips_; }

private:
    int& tips_;
};

class FakeWindows : public WindowRegistry {
public:
    FakePanel* panel = nullptr;
    bool firstRunVisible = false;
    int firstRunShows = 0;
    int firstRunTips = 0;
    std::vector<Uuid> textEditorsOpened;
    std::vector<Uuid> imageEditorsOpened;

    std::unique_ptr<StatusItem> makeStatusItem(AppModel&) override {
        return std::make_unique<FakeStatusItem>(firstRunTips);
    }
    std::unique_ptr<PanelControl> makePanel(AppModel&) override {
        auto made = std::make_unique<FakePanel>();
        panel = made.get();
        return made;
    }
    void applyTheme(ThemeChoice) override {}
    void showFirstRun() override {
        firstRunVisible = true;
        ++firstRunShows;
    }
    void closeFirstRun() override { firstRunVisible = false; }
    bool isFirstRunVisible() const override { return firstRunVisible; }
    void openTextEditor(const ClipItem& item, const ClipPayload&) override {
        textEditorsOpened.push_back(item.id);
    }
    void openImageEditor(const ClipItem& item, const Bytes&) override {
        imageEditorsOpened.push_back(item.id);
    }
};

class FakeAlerts : public AlertPresenter {
public:
    std::vector<Alert> shown;
    int answer = 0;

    int run(const Alert& alert) override {
        shown.push_back(alert);
        return answer;
    }
};

class FakeRenderer : public RichPreviewRenderer {
public:
    std::optional<Bytes> preview;
    std::optional<Bytes> render(const ClipPayload&) override { return preview; }
};

// A key vault that can be told to fail, as a keyring does when it is locked or the user cancels.
class ScriptedVault : public KeyVault {
public:
    InMemoryKeyVault keys;
    std::atomic<bool> failLoad = false;
    std::atomic<bool> failStore = false;

    void store(const SymmetricKey& key, const std::string& id, bool requireAuthentication) override {
        if (failStore) {
            throw KeychainError(KeychainError::userCanceled);
        }
        keys.store(key, id, requireAuthentication);
    }
    std::optional<SymmetricKey> load(const std::string& id) override {
        if (failLoad) {
            throw KeychainError(KeychainError::userCanceled);
        }
        return keys.load(id);
    }
    void deleteKey(const std::string& id) override { keys.deleteKey(id); }
};

} // namespace snipstack::testing
