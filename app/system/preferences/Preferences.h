#pragma once

#include "app/system/preferences/PreferenceTypes.h"
#include "app/system/shortcut/HotKey.h"
#include "core/store/Cipher.h"

#include <QByteArray>
#include <QColor>
#include <QObject>
#include <QSettings>
#include <QString>
#include <QVariantMap>
#include <optional>

namespace snipstack {

// Every user setting, read once at construction and written through to QSettings on each change.
// A value that is absent, of the wrong type or unrecognised loads as its default; integers are clamped
// on load only. Main thread only.
class Preferences : public QObject {
    Q_OBJECT
    Q_PROPERTY(int maxItems READ maxItems WRITE setMaxItems NOTIFY maxItemsChanged)
    Q_PROPERTY(bool persistent READ persistent WRITE setPersistent NOTIFY persistentChanged)
    Q_PROPERTY(
        bool rotationEnabled READ rotationEnabled WRITE setRotationEnabled NOTIFY rotationEnabledChanged)
    Q_PROPERTY(int rotationDays READ rotationDays WRITE setRotationDays NOTIFY rotationDaysChanged)
    Q_PROPERTY(bool requireAuth READ requireAuth WRITE setRequireAuth NOTIFY requireAuthChanged)
    Q_PROPERTY(bool skipConcealed READ skipConcealed WRITE setSkipConcealed NOTIFY skipConcealedChanged)
    Q_PROPERTY(bool hideFromScreenSharing READ hideFromScreenSharing WRITE setHideFromScreenSharing NOTIFY
                   hideFromScreenSharingChanged)
    Q_PROPERTY(bool storageChosen READ storageChosen WRITE setStorageChosen NOTIFY storageChosenChanged)
    Q_PROPERTY(bool onboardingDone READ onboardingDone WRITE setOnboardingDone NOTIFY onboardingDoneChanged)
    Q_PROPERTY(std::optional<double> panelX READ panelX WRITE setPanelX NOTIFY panelXChanged)
    Q_PROPERTY(std::optional<double> panelY READ panelY WRITE setPanelY NOTIFY panelYChanged)
    Q_PROPERTY(bool panelExpanded READ panelExpanded WRITE setPanelExpanded NOTIFY panelExpandedChanged)
    Q_PROPERTY(std::optional<QByteArray> storageBookmark READ storageBookmark WRITE setStorageBookmark NOTIFY
                   storageBookmarkChanged)
    Q_PROPERTY(QVariantMap clickActions READ clickActions WRITE setClickActions NOTIFY clickActionsChanged)
    Q_PROPERTY(snipstack::WindowLook look READ look WRITE setLook NOTIFY lookChanged)
    Q_PROPERTY(bool openScreenshotsInEditor READ openScreenshotsInEditor WRITE setOpenScreenshotsInEditor
                   NOTIFY openScreenshotsInEditorChanged)
    Q_PROPERTY(bool expiryEnabled READ expiryEnabled WRITE setExpiryEnabled NOTIFY expiryEnabledChanged)
    Q_PROPERTY(int expiryDays READ expiryDays WRITE setExpiryDays NOTIFY expiryDaysChanged)
    Q_PROPERTY(int expiryHours READ expiryHours WRITE setExpiryHours NOTIFY expiryHoursChanged)
    Q_PROPERTY(snipstack::PenThickness penThickness READ penThickness WRITE setPenThickness NOTIFY
                   penThicknessChanged)
    Q_PROPERTY(QColor penColor READ penColor WRITE setPenColor NOTIFY penColorChanged)
    Q_PROPERTY(QColor highlightColor READ highlightColor WRITE setHighlightColor NOTIFY highlightColorChanged)
    Q_PROPERTY(snipstack::PanelPlacement panelPlacement READ panelPlacement WRITE setPanelPlacement NOTIFY
                   panelPlacementChanged)
    Q_PROPERTY(bool plainTextTiles READ plainTextTiles WRITE setPlainTextTiles NOTIFY plainTextTilesChanged)
    Q_PROPERTY(
        bool showMenuBarIcon READ showMenuBarIcon WRITE setShowMenuBarIcon NOTIFY showMenuBarIconChanged)
    Q_PROPERTY(snipstack::Cipher cipher READ cipher WRITE setCipher NOTIFY cipherChanged)
    Q_PROPERTY(snipstack::ThemeChoice theme READ theme WRITE setTheme NOTIFY themeChanged)
    Q_PROPERTY(snipstack::HotKey hotKey READ hotKey WRITE setHotKey NOTIFY hotKeyChanged)

public:
    static inline const QColor defaultPenColor = QColor(0xFF, 0x3B, 0x30);
    static inline const QColor defaultHighlightColor = QColor(0xFF, 0xCC, 0x00);

    // The user's settings: QSettings("orvend", "Snipstack").
    explicit Preferences(QObject* parent = nullptr);
    // The INI file at `path`, for tests.
    explicit Preferences(const QString& path, QObject* parent = nullptr);

    // The stored action for `kind` when it names one, else the kind's default.
    ItemAction action(ClickKind kind) const;
    // Records the choice even when it equals the default.
    void setAction(ItemAction action, ClickKind kind);

    int maxItems() const { return maxItems_; }
    void setMaxItems(int value);
    bool persistent() const { return persistent_; }
    void setPersistent(bool value);
    bool rotationEnabled() const { return rotationEnabled_; }
    void setRotationEnabled(bool value);
    int rotationDays() const { return rotationDays_; }
    void setRotationDays(int value);
    bool requireAuth() const { return requireAuth_; }
    void setRequireAuth(bool value);
    bool skipConcealed() const { return skipConcealed_; }
    void setSkipConcealed(bool value);
    bool hideFromScreenSharing() const { return hideFromScreenSharing_; }
    void setHideFromScreenSharing(bool value);
    bool storageChosen() const { return storageChosen_; }
    void setStorageChosen(bool value);
    bool onboardingDone() const { return onboardingDone_; }
    void setOnboardingDone(bool value);
    std::optional<double> panelX() const { return panelX_; }
    // Nothing removes the key.
    void setPanelX(std::optional<double> value);
    std::optional<double> panelY() const { return panelY_; }
    void setPanelY(std::optional<double> value);
    bool panelExpanded() const { return panelExpanded_; }
    void setPanelExpanded(bool value);
    const std::optional<QByteArray>& storageBookmark() const { return storageBookmark_; }
    void setStorageBookmark(const std::optional<QByteArray>& value);
    // Click kind raw value → item action raw value, both strings.
    const QVariantMap& clickActions() const { return clickActions_; }
    void setClickActions(const QVariantMap& value);
    WindowLook look() const { return look_; }
    void setLook(WindowLook value);
    bool openScreenshotsInEditor() const { return openScreenshotsInEditor_; }
    void setOpenScreenshotsInEditor(bool value);
    bool expiryEnabled() const { return expiryEnabled_; }
    void setExpiryEnabled(bool value);
    int expiryDays() const { return expiryDays_; }
    void setExpiryDays(int value);
    int expiryHours() const { return expiryHours_; }
    void setExpiryHours(int value);
    PenThickness penThickness() const { return penThickness_; }
    void setPenThickness(PenThickness value);
    const QColor& penColor() const { return penColor_; }
    // An invalid colour removes the key and brings back the default.
    void setPenColor(const QColor& value);
    const QColor& highlightColor() const { return highlightColor_; }
    void setHighlightColor(const QColor& value);
    PanelPlacement panelPlacement() const { return panelPlacement_; }
    void setPanelPlacement(PanelPlacement value);
    bool plainTextTiles() const { return plainTextTiles_; }
    void setPlainTextTiles(bool value);
    bool showMenuBarIcon() const { return showMenuBarIcon_; }
    void setShowMenuBarIcon(bool value);
    Cipher cipher() const { return cipher_; }
    void setCipher(Cipher value);
    ThemeChoice theme() const { return theme_; }
    void setTheme(ThemeChoice value);
    const HotKey& hotKey() const { return hotKey_; }
    void setHotKey(const HotKey& value);

signals:
    void maxItemsChanged();
    void persistentChanged();
    void rotationEnabledChanged();
    void rotationDaysChanged();
    void requireAuthChanged();
    void skipConcealedChanged();
    void hideFromScreenSharingChanged();
    void storageChosenChanged();
    void onboardingDoneChanged();
    void panelXChanged();
    void panelYChanged();
    void panelExpandedChanged();
    void storageBookmarkChanged();
    void clickActionsChanged();
    void lookChanged();
    void openScreenshotsInEditorChanged();
    void expiryEnabledChanged();
    void expiryDaysChanged();
    void expiryHoursChanged();
    void penThicknessChanged();
    void penColorChanged();
    void highlightColorChanged();
    void panelPlacementChanged();
    void plainTextTilesChanged();
    void showMenuBarIconChanged();
    void cipherChanged();
    void themeChanged();
    void hotKeyChanged();

private:
    void load();
    void migrate();
    // Writes `stored` under `key` (an invalid QVariant removes it) and signals when `field` changes.
    template <typename T>
    void store(T& field, const T& value, const char* key, const QVariant& stored,
               void (Preferences::*changed)());

    QSettings settings_;
    int maxItems_ = 500;
    bool persistent_ = true;
    bool rotationEnabled_ = true;
    int rotationDays_ = 30;
    bool requireAuth_ = false;
    bool skipConcealed_ = true;
    bool hideFromScreenSharing_ = true;
    bool storageChosen_ = false;
    bool onboardingDone_ = false;
    std::optional<double> panelX_;
    std::optional<double> panelY_;
    bool panelExpanded_ = true;
    std::optional<QByteArray> storageBookmark_;
    QVariantMap clickActions_;
    WindowLook look_ = WindowLook::translucent;
    bool openScreenshotsInEditor_ = true;
    bool expiryEnabled_ = false;
    int expiryDays_ = 30;
    int expiryHours_ = 0;
    PenThickness penThickness_ = PenThickness::medium;
    QColor penColor_ = defaultPenColor;
    QColor highlightColor_ = defaultHighlightColor;
    PanelPlacement panelPlacement_ = PanelPlacement::rightEdge;
    bool plainTextTiles_ = false;
    bool showMenuBarIcon_ = true;
    Cipher cipher_ = Cipher::aes256GCM;
    ThemeChoice theme_ = ThemeChoice::system;
    HotKey hotKey_ = HotKey::standard();
};

} // namespace snipstack
