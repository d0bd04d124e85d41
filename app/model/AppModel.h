#pragma once

#include "app/model/AlertPresenter.h"
#include "app/model/ApplyHotKey.h"
#include "app/model/LruCache.h"
#include "app/model/PanelControl.h"
#include "app/model/RichPreviewRenderer.h"
#include "app/model/ShortcutRecording.h"
#include "app/model/StatusItem.h"
#include "app/model/WindowRegistry.h"
#include "app/system/clipboard/PasteboardMonitor.h"
#include "app/system/desktop/Desktop.h"
#include "app/system/desktop/Workspace.h"
#include "app/system/preferences/Preferences.h"
#include "core/model/History.h"
#include "core/store/DiskStore.h"
#include "core/store/KeyVault.h"

#include <QFuture>
#include <QIcon>
#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace snipstack {

// Everything the model reaches outside itself. Each reference must outlive the model.
struct AppModelEnvironment {
    Pasteboard& pasteboard;
    Workspace& workspace;
    KeyVault& vault;
    Desktop& desktop;
    WindowRegistry& windows;
    AlertPresenter& alerts;
    RichPreviewRenderer& richPreviews;
    // Where the encrypted history lives unless the user chose a folder.
    std::filesystem::path defaultStorageBase;
    std::function<Date()> now = &Date::now;
    // Whether a store key still sits in an older key store, from which a rotation moves it.
    std::function<bool(const std::string& keyID)> keyNeedsUpgrade = [](const std::string&) { return false; };
};

// The one object that drives the application: it owns the history and its storage, takes in
// captures, performs the actions on entries and holds the state every window shows. Main thread
// only; the key load of an unlock and a key rotation run on worker threads and hand their result
// back here.
class AppModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::vector<snipstack::ClipItem> items READ items NOTIFY itemsChanged)
    Q_PROPERTY(std::vector<snipstack::ClipItem> visibleItems READ visibleItems NOTIFY visibleItemsChanged)
    Q_PROPERTY(QString query READ query WRITE setQuery NOTIFY queryChanged)
    Q_PROPERTY(std::optional<snipstack::Uuid> selectedID READ selectedID WRITE setSelectedID NOTIFY
                   selectedIDChanged)
    Q_PROPERTY(int focusToken READ focusToken NOTIFY focusTokenChanged)
    Q_PROPERTY(int listTopToken READ listTopToken NOTIFY listTopTokenChanged)
    Q_PROPERTY(bool panelVisible READ panelVisible WRITE setPanelVisible NOTIFY panelVisibleChanged)
    Q_PROPERTY(bool isStarted READ isStarted NOTIFY isStartedChanged)
    Q_PROPERTY(bool isScreenBeingShared READ isScreenBeingShared WRITE setScreenBeingShared NOTIFY
                   isScreenBeingSharedChanged)
    Q_PROPERTY(bool revealedToViewers READ revealedToViewers WRITE setRevealedToViewers NOTIFY
                   revealedToViewersChanged)
    Q_PROPERTY(bool shieldActive READ shieldActive WRITE setShieldActive NOTIFY shieldActiveChanged)
    Q_PROPERTY(bool tileDetailsRevealed READ tileDetailsRevealed WRITE setTileDetailsRevealed NOTIFY
                   tileDetailsRevealedChanged)
    Q_PROPERTY(std::optional<bool> setupStorageChoice READ setupStorageChoice WRITE setSetupStorageChoice
                   NOTIFY setupStorageChoiceChanged)
    Q_PROPERTY(bool setupLaunchAtLogin READ setupLaunchAtLogin WRITE setSetupLaunchAtLogin NOTIFY
                   setupLaunchAtLoginChanged)
    Q_PROPERTY(bool setupOpenScreenshots READ setupOpenScreenshots WRITE setSetupOpenScreenshots NOTIFY
                   setupOpenScreenshotsChanged)
    Q_PROPERTY(
        bool hotKeyRegistered READ hotKeyRegistered WRITE setHotKeyRegistered NOTIFY hotKeyRegisteredChanged)
    Q_PROPERTY(bool isRotating READ isRotating NOTIFY isRotatingChanged)
    Q_PROPERTY(bool isLocked READ isLocked NOTIFY isLockedChanged)
    Q_PROPERTY(bool capturePaused READ capturePaused WRITE setCapturePaused NOTIFY capturePausedChanged)
    Q_PROPERTY(std::optional<snipstack::Date> lastRotation READ lastRotation NOTIFY lastRotationChanged)
    Q_PROPERTY(std::optional<QString> storageError READ storageError NOTIFY storageErrorChanged)
    Q_PROPERTY(bool accessibilityGranted READ accessibilityGranted NOTIFY accessibilityGrantedChanged)
    Q_PROPERTY(std::optional<std::filesystem::path> customStorageFolder READ customStorageFolder NOTIFY
                   customStorageFolderChanged)
    Q_PROPERTY(
        bool storageFolderUnavailable READ storageFolderUnavailable NOTIFY storageFolderUnavailableChanged)

public:
    // What screen-share viewers may see of the panel.
    enum class ViewerVisibility { hidden, untilClosed, always };

    static constexpr const char* folderUnavailableMessage =
        "The folder chosen for Snipstack's data is not available. Reconnect it and click Unlock.";
    static constexpr const char* customBaseName = "Snipstack Data";
    static constexpr const char* editorSourceName = "Snipstack";
    static constexpr const char* ownBundleID = "com.orvend.snipstack";
    // Thousands of image entries would otherwise keep gigabytes of decoded thumbnails; this holds a
    // few screens of rows.
    static constexpr std::size_t thumbnailCacheBytes = std::size_t{64} << 20;
    // One icon per source application; a history seldom names more.
    static constexpr std::size_t appIconCacheCount = 256;

    AppModel(std::unique_ptr<Preferences> preferences, AppModelEnvironment environment,
             QObject* parent = nullptr);
    // Waits for a key load or rotation still running on a worker thread.
    ~AppModel() override;

    Preferences& preferences() const { return *preferences_; }
    const History& history() const { return *history_; }
    const std::optional<DiskStore>& diskStore() const { return diskStore_; }
    PasteboardMonitor& monitor() { return monitor_; }
    StatusItem* statusItem() const { return statusItem_.get(); }
    PanelControl* panel() const { return panel_.get(); }
    const std::optional<std::filesystem::path>& customStorageBase() const { return customStorageBase_; }
    // The base folder of the encrypted storage: the chosen one, else the default.
    std::filesystem::path storageBase() const;

    // Observable state.
    const std::vector<ClipItem>& items() const { return items_; }
    const std::vector<ClipItem>& visibleItems() const { return visibleItems_; }
    const QString& query() const { return query_; }
    void setQuery(const QString& query);
    const std::optional<Uuid>& selectedID() const { return selectedID_; }
    void setSelectedID(const std::optional<Uuid>& id);
    int focusToken() const { return focusToken_; }
    int listTopToken() const { return listTopToken_; }
    bool panelVisible() const { return panelVisible_; }
    void setPanelVisible(bool visible);
    bool isStarted() const { return isStarted_; }
    bool isScreenBeingShared() const { return isScreenBeingShared_; }
    void setScreenBeingShared(bool shared);
    bool revealedToViewers() const { return revealedToViewers_; }
    void setRevealedToViewers(bool revealed);
    bool shieldActive() const { return shieldActive_; }
    void setShieldActive(bool active);
    bool tileDetailsRevealed() const { return tileDetailsRevealed_; }
    void setTileDetailsRevealed(bool revealed);
    const std::optional<bool>& setupStorageChoice() const { return setupStorageChoice_; }
    void setSetupStorageChoice(const std::optional<bool>& choice);
    bool setupLaunchAtLogin() const { return setupLaunchAtLogin_; }
    void setSetupLaunchAtLogin(bool launch);
    bool setupOpenScreenshots() const { return setupOpenScreenshots_; }
    void setSetupOpenScreenshots(bool open);
    bool hotKeyRegistered() const { return hotKeyRegistered_; }
    void setHotKeyRegistered(bool registered);
    bool isRotating() const { return isRotating_; }
    bool isLocked() const { return isLocked_; }
    bool capturePaused() const { return capturePaused_; }
    void setCapturePaused(bool paused);
    const std::optional<Date>& lastRotation() const { return lastRotation_; }
    const std::optional<QString>& storageError() const { return storageError_; }
    bool accessibilityGranted() const { return accessibilityGranted_; }
    const std::optional<std::filesystem::path>& customStorageFolder() const { return customStorageFolder_; }
    // Locked only because the chosen folder cannot be reached: switching to memory and moving back to
    // the default location are then offered as ways out.
    bool storageFolderUnavailable() const { return storageFolderUnavailable_; }

    ViewerVisibility viewerVisibility() const;
    void setViewerVisibility(ViewerVisibility visibility);

    // Start-up and locking.
    void launch();
    void start();
    void finishSetup();
    void hotKeyPressed();
    // Opens or closes the panel, not reopening it right after it hid.
    void togglePanel();
    // Registers a shortcut the user recorded through the desktop, saving it when it registers; with
    // nothing recorded, or when it is refused, the saved one is registered again.
    HotKeyApplied applyHotKey(const std::optional<HotKey>& newHotKey);
    void openStore();
    bool resolveStorageLocation();
    void attachDiskStore(DiskStore store);
    void discardDiskStores();
    void unlock();
    void relockAfterWake();

    // Captures and the list.
    void handleCapture(const ClipDraft& draft);
    std::optional<ClipItem> insert(const ClipDraft& draft);
    void refreshItems();
    std::optional<ClipItem> selectedItem() const;
    void moveSelection(int delta);
    void panelWillOpen();
    // Asks the desktop whether the screen is being captured and keeps the answer in
    // isScreenBeingShared; true when it changed.
    bool detectScreenCapture();
    void showPanel(const std::optional<Uuid>& selecting);

    // Actions on entries.
    static ClickKind clickKind(Qt::KeyboardModifiers modifiers);
    void click(const ClipItem& item, Qt::KeyboardModifiers modifiers);
    void perform(ItemAction action, const ClipItem& item);
    void paste(const ClipItem& item, bool sendKeystroke);
    void moveToTop(const ClipItem& item);
    void togglePin(const ClipItem& item);
    void deleteItem(const ClipItem& item);
    void edit(const ClipItem& item);

    // The editors' saves: each adds a new entry at the top and leaves the edited one as it was.
    std::optional<ClipItem> insertEditedText(const std::string& text);
    std::optional<ClipItem> insertEditedRichText(const std::optional<ClipDraft>& draft);
    std::optional<ClipItem> insertEditedImage(const Bytes& png);
    void editorClosed(const std::optional<ClipItem>& newItem);
    // The image editor's text recognition, off the main thread.
    QFuture<std::optional<RecognizedText>> recognizeText(Bytes image) {
        return environment_.desktop.recognizeText(std::move(image));
    }

    // The entry's thumbnail (an image's, or a formatted text's preview) when decoded already.
    // Otherwise none, and it is decoded off the main thread (decoding a screenshot's thumbnail takes
    // longer than a frame): `thumbnailReady` follows once it is cached. Bytes that do not decode give
    // none, are not cached and are not tried again until the history changes.
    std::optional<QImage> thumbnailImage(const Uuid& id);
    std::optional<QIcon> appIcon(const std::optional<std::string>& bundleID);
    void setMaxItems(int count);

    // The tray icon and the settings window.
    void togglePause();
    // A left click on the tray icon: the shortcut's toggle.
    void toggleFromStatusItem();
    void setShowMenuBarIcon(bool on);
    // Asks before the tray icon goes away; true when it did.
    bool confirmHideMenuBarIcon();
    // False when the login item could not be changed.
    bool setLaunchAtLogin(bool on);
    bool launchAtLoginEnabled() const;
    // While the user records a new shortcut, pressing the old one must do nothing.
    void unregisterHotKey();
    // Releases the shortcut until the recording stops; a recorded one the desktop refuses is reported
    // to the user and the saved one comes back.
    std::unique_ptr<ShortcutRecording> recordShortcut();
    // The desktop's warning sound, for a key press the recorder refuses.
    void beep();
    // Asks for the paste permission and opens where the desktop grants it.
    void requestAccessibilityAccess();
    // Reads the permission again; true when it has just been granted.
    bool checkAccessibility();
    // Back to the right edge, at the middle of its height.
    void resetPanelPosition();

    // Storage changes, rotation and expiry.
    bool setPersistent(bool on);
    // Asks before the history goes to memory only; true when it did.
    bool confirmMemoryOnly();
    void moveDataFile(const std::optional<std::filesystem::path>& folder);
    void rotateKey(bool interactive, std::function<void(bool)> completion = {});
    void setRequireAuth(bool on);
    void setCipher(Cipher cipher);
    void checkRotationDue();
    void applyExpiry();
    int expiringCount() const;
    void setExpiryEnabled(bool on);
    void confirmClearHistory();
    void clearHistory(bool keepPinned);

    // Whether a background job is running, for tests and the status display.
    bool isRecognizingText() const { return ocrTask_.has_value(); }
    bool isRenderingPreviews() const { return richPreviewTask_.has_value(); }
    std::size_t cachedThumbnailBytes() const { return thumbnails_.totalCost(); }

signals:
    void itemsChanged();
    void thumbnailReady(const snipstack::Uuid& id);
    void visibleItemsChanged();
    void queryChanged();
    void selectedIDChanged();
    void focusTokenChanged();
    void listTopTokenChanged();
    void panelVisibleChanged();
    void isStartedChanged();
    void isScreenBeingSharedChanged();
    void revealedToViewersChanged();
    void shieldActiveChanged();
    void tileDetailsRevealedChanged();
    void setupStorageChoiceChanged();
    void setupLaunchAtLoginChanged();
    void setupOpenScreenshotsChanged();
    void hotKeyRegisteredChanged();
    void isRotatingChanged();
    void isLockedChanged();
    void capturePausedChanged();
    void lastRotationChanged();
    void storageErrorChanged();
    void accessibilityGrantedChanged();
    void customStorageFolderChanged();
    void storageFolderUnavailableChanged();

private:
    // The global shortcut, pressed, runs hotKeyPressed.
    bool registerHotKey(const HotKey& hotKey);
    // What a store operation on the worker thread ended with: the store, or the error's text.
    struct StoreTaskResult {
        std::optional<DiskStore> store;
        QString error;
    };

    // A background job's own state: the entries it has tried during this run.
    struct JobRun {
        std::set<Uuid> processed;
    };

    template <typename T> void assign(T& field, const T& value, void (AppModel::*changed)());
    void replaceHistory(std::shared_ptr<HistoryBackend> backend);
    // Runs a store operation on the worker thread; continue with .then(this, ...) on the main thread.
    QFuture<StoreTaskResult> onWorker(std::function<DiskStore()> task);
    void lockWith(const QString& message);
    void lockForUnavailableFolder();
    // Captures dropped while locked or rotating are lost unless the monitor looks again once the
    // store is back; content that did not change meanwhile must not come back by itself.
    void lookAgainIfCaptureMissed();
    // A limit set while the history could not take it applies once it can.
    void applyStoredCountLimit();
    void discardStores(const StoreLayout& layout);
    // Opens (or makes) the live store at the storage location, asking for the key off the main
    // thread when authentication is required.
    void openLiveStore();
    void forgetChosenFolder();
    bool memorySwitchAllowed() const;
    bool storageBusy() const { return isRotating_ || isLocked_; }
    void refreshAccessibility();
    void hidePanel();
    // The bytes an editor or text recognition takes: PNG, else TIFF.
    static std::optional<Bytes> imageBytes(const ClipPayload& payload);
    // Runs a history change, reporting instead of throwing its failure.
    static bool guarded(const std::function<void()>& change);
    bool writeToClipboard(const ClipItem& item);
    std::optional<ClipItem> insertFromEditor(std::optional<ClipDraft> draft);
    int alert(Alert::Style style, const QString& title, const QString& text, const QStringList& buttons = {},
              std::optional<int> destructiveButton = std::nullopt);
    std::int64_t expiryHours() const;
    Date expiryCutoff() const;
    void moveDataFileOrThrow(const std::optional<std::filesystem::path>& folder);

    // Keeping the clipboard alive after the program that copied quits.
    void keepClipboard();
    void keepOnRequest(std::function<void(bool kept)> done);
    void settleKeeping();
    // The entry the last content read became, if it was taken in and is still stored.
    std::optional<ClipItem> lastCapturedEntry() const;
    void forgetKeptIfDeleted();

    void startTextRecognition();
    void recognizeNext();
    void startRichPreviews();
    void renderNextPreview();

    std::unique_ptr<Preferences> preferences_;
    AppModelEnvironment environment_;

    std::vector<ClipItem> items_;
    std::vector<ClipItem> visibleItems_;
    QString query_;
    std::optional<Uuid> selectedID_;
    int focusToken_ = 0;
    int listTopToken_ = 0;
    bool panelVisible_ = false;
    bool isStarted_ = false;
    bool isScreenBeingShared_ = false;
    bool revealedToViewers_ = false;
    bool shieldActive_ = false;
    bool tileDetailsRevealed_ = false;
    std::optional<bool> setupStorageChoice_;
    bool setupLaunchAtLogin_ = true;
    bool setupOpenScreenshots_ = true;
    bool hotKeyRegistered_ = true;
    bool isRotating_ = false;
    bool isLocked_ = false;
    bool capturePaused_ = false;
    bool captureMissed_ = false;
    bool storageFolderUnavailable_ = false;
    std::optional<Date> lastRotation_;
    std::optional<QString> storageError_;
    bool accessibilityGranted_ = false;
    std::unique_ptr<History> history_;
    std::optional<DiskStore> diskStore_;
    PasteboardMonitor monitor_;
    std::unique_ptr<StatusItem> statusItem_;
    std::unique_ptr<PanelControl> panel_;
    QTimer rotationTimer_;
    QTimer expiryTimer_;
    std::optional<JobRun> ocrTask_;
    std::optional<JobRun> richPreviewTask_;
    std::optional<RunningApplication> appBeforeEditing_;
    LruCache<Uuid, QImage> thumbnails_{thumbnailCacheBytes};
    // Thumbnails being decoded, each with the ticket of its decoding: one forgotten meanwhile (its
    // entry deleted, its preview replaced, the store changed) is not cached when it arrives.
    std::map<Uuid, std::uint64_t> thumbnailsDecoding_;
    std::uint64_t nextThumbnailTicket_ = 0;
    std::set<Uuid> undecodableThumbnails_;
    void forgetThumbnail(const Uuid& id);
    void forgetThumbnails();
    LruCache<std::string, QIcon> appIcons_{appIconCacheCount};
    std::optional<std::filesystem::path> customStorageFolder_;
    std::optional<std::filesystem::path> customStorageBase_;

    // The entry offered on the clipboard since its owner quit, and the clipboard's counter then.
    std::optional<Uuid> keptID_;
    std::int64_t keptChangeCount_ = -1;
    bool keepPending_ = false;
    std::vector<std::function<void(bool)>> saveRequests_;

    // Key loads and rotations leave the main thread here; one at a time is all they need.
    QThreadPool workers_;
    bool unlockPending_ = false;
    // Thumbnails are decoded here, apart from the long store tasks, one at a time.
    QThreadPool thumbnailDecoder_;
};

// Writes that store the value already held notify nobody.
template <typename T> void AppModel::assign(T& field, const T& value, void (AppModel::*changed)()) {
    if (field == value) {
        return;
    }
    field = value;
    emit(this->*changed)();
}

} // namespace snipstack
