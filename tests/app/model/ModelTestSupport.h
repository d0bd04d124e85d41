#pragma once

#include "app/model/AppModel.h"
#include "app/system/KeychainError.h"
#include "app/system/MemoryPasteboard.h"
#include "core/model/ContentHash.h"
#include "core/store/InMemoryKeyVault.h"

#include <QBuffer>
#include <QColor>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFuture>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace snipstack::testing {

class FakeWorkspace : public Workspace {
public:
    std::optional<RunningApplication> front =
        RunningApplication{"Editor", "org.example.Editor", std::nullopt, 7, 1, "gedit"};
    std::vector<RunningApplication> activated;

    std::optional<RunningApplication> frontmostApplication() override { return front; }
    bool activate(const RunningApplication& application) override {
        activated.push_back(application);
        return true;
    }
};

class FakeDesktop : public DesktopServices {
public:
    bool granted = true;
    bool hotKeyRegisters = true;
    int beeps = 0;
    int accessRequests = 0;
    std::vector<std::string> pasteKeystrokes;
    std::optional<bool> launchAtLogin;
    std::function<void()> hotKeyHandler;
    std::function<void()> wakeHandler;
    std::optional<std::string> recognized = "recognised words";
    std::vector<std::string> iconLookups;

    void applyTheme(ThemeChoice) override {}
    void beep() override { ++beeps; }
    bool registerHotKey(const HotKey&, std::function<void()> handler) override {
        hotKeyHandler = std::move(handler);
        return hotKeyRegisters;
    }
    void observeWake(std::function<void()> handler) override { wakeHandler = std::move(handler); }
    bool accessibilityGranted() override { return granted; }
    void requestAccessibility() override { ++accessRequests; }
    void openAccessibilitySettings() override {}
    void postPasteKeystroke(std::string_view windowClass) override {
        pasteKeystrokes.emplace_back(windowClass);
    }
    void setLaunchAtLogin(bool enabled) override { launchAtLogin = enabled; }
    QFuture<std::optional<RecognizedText>> recognizeText(Bytes) override {
        return QtFuture::makeReadyFuture(recognized ? std::optional(RecognizedText{*recognized, {}})
                                                    : std::nullopt);
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

inline ClipDraft textDraft(const std::string& text) {
    ClipDraft draft;
    draft.text = text;
    draft.payload = PasteboardMonitor::plainTextPayload(text);
    draft.contentHash = contentHash(std::string_view(text));
    draft.sourceAppName = "Editor";
    return draft;
}

inline ClipDraft imageDraft(const QColor& colour, QSize size = QSize(40, 30)) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray png;
    QBuffer buffer(&png);
    image.save(&buffer, "PNG");
    return *PasteboardMonitor::makeImageDraft(Bytes(png.begin(), png.end()), PasteboardType::png, {},
                                              std::nullopt);
}

// Runs the event loop until `done` holds or `timeout` passes; answers `done()`.
inline bool waitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    QDeadlineTimer deadline(timeout);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return done();
}

inline void runEventsFor(std::chrono::milliseconds duration) {
    waitUntil([] { return false; }, duration);
}

inline std::vector<std::string> textsOf(const std::vector<ClipItem>& items) {
    std::vector<std::string> texts;
    for (const auto& item : items) {
        texts.push_back(item.text);
    }
    return texts;
}

// A model over fakes, a settings file and a storage folder of its own; nothing is started.
class ModelFixture : public ::testing::Test {
protected:
    QTemporaryDir folder;
    std::filesystem::path base = std::filesystem::path(folder.path().toStdString()) / "data";
    QString settingsPath = folder.filePath("settings.ini");
    MemoryPasteboard pasteboard;
    FakeWorkspace workspace;
    ScriptedVault vault;
    FakeDesktop desktop;
    FakeWindows windows;
    FakeAlerts alerts;
    FakeRenderer renderer;
    Date clock = Date::now();
    std::unique_ptr<AppModel> model;

    AppModel& makeModel() {
        model =
            std::make_unique<AppModel>(std::make_unique<Preferences>(settingsPath),
                                       AppModelEnvironment{pasteboard, workspace, vault, desktop, windows,
                                                           alerts, renderer, base, [this] { return clock; }});
        return *model;
    }

    // Started with the history on disk (or in memory), as after the first run.
    AppModel& startModel(bool persistent = true) {
        {
            Preferences preferences(settingsPath);
            preferences.setPersistent(persistent);
            preferences.setStorageChosen(true);
        }
        makeModel().launch();
        return *model;
    }

    StoreLayout layout() const { return StoreLayout(base); }

    ClipItem add(const std::string& text) {
        clock = clock.adding(1);
        return *model->insert(textDraft(text));
    }

    // Another program copies `text`; the monitor looks at the clipboard at once.
    void copyElsewhere(const std::string& text) {
        clock = clock.adding(1);
        pasteboard.setContent({.representations = {{std::string(PasteboardType::plainText), bytesOf(text)}}});
        pollNow();
    }

    // The monitor looks at the clipboard, and what it read reaches the model before this returns.
    void pollNow() {
        model->monitor().poll();
        ASSERT_TRUE(model->monitor().waitForCaptures());
    }
};

} // namespace snipstack::testing
