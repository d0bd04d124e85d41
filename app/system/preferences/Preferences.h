#pragma once

#include "app/system/preferences/PreferenceFormat.h"
#include "app/system/preferences/PreferenceTypes.h"
#include "app/system/shortcut/HotKey.h"
#include "core/store/Cipher.h"

#include <QByteArray>
#include <QColor>
#include <QObject>
#include <QSettings>
#include <QString>
#include <QVariantMap>
#include <limits>
#include <optional>
#include <tuple>

namespace snipstack {

class Preferences;

// Integers load clamped to a range; other types have none.
template <typename T> struct SettingRange {};
template <> struct SettingRange<int> {
    int lowest = std::numeric_limits<int>::min();
    int highest = std::numeric_limits<int>::max();
};

// One user setting: its key (also the name of its property), the signal its changes send, its default,
// its range, and where older versions kept it in another form, the migration that turns what the key
// holds (nothing when absent or unreadable) into the value to load (nothing for the default).
template <typename T> struct Setting {
    using Migration = std::optional<T> (Preferences::*)(std::optional<T> stored);

    const char* key;
    void (Preferences::*changed)();
    T fallback;
    SettingRange<T> range{};
    Migration migration = nullptr;
    T value = fallback;
};

// Every user setting, read once at construction and written through to QSettings on each change.
// A value that is absent, of the wrong type or unrecognised loads as its default; integers are clamped
// on load only. A setter given no value (nothing, an invalid colour) removes the key and brings back the
// default. Main thread only.
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
    // The user's settings: QSettings("orvend", "Snipstack").
    explicit Preferences(QObject* parent = nullptr);
    // The INI file at `path`, for tests.
    explicit Preferences(const QString& path, QObject* parent = nullptr);

    // Every setting, in the order they load.
    auto settings() const;

    // The stored action for `kind` when it names one, else the kind's default.
    ItemAction action(ClickKind kind) const;
    // Records the choice even when it equals the default.
    void setAction(ItemAction action, ClickKind kind);

    int maxItems() const { return maxItems_.value; }
    void setMaxItems(int value) { store(maxItems_, value); }
    bool persistent() const { return persistent_.value; }
    void setPersistent(bool value) { store(persistent_, value); }
    bool rotationEnabled() const { return rotationEnabled_.value; }
    void setRotationEnabled(bool value) { store(rotationEnabled_, value); }
    int rotationDays() const { return rotationDays_.value; }
    void setRotationDays(int value) { store(rotationDays_, value); }
    bool requireAuth() const { return requireAuth_.value; }
    void setRequireAuth(bool value) { store(requireAuth_, value); }
    bool skipConcealed() const { return skipConcealed_.value; }
    void setSkipConcealed(bool value) { store(skipConcealed_, value); }
    bool hideFromScreenSharing() const { return hideFromScreenSharing_.value; }
    void setHideFromScreenSharing(bool value) { store(hideFromScreenSharing_, value); }
    bool storageChosen() const { return storageChosen_.value; }
    void setStorageChosen(bool value) { store(storageChosen_, value); }
    bool onboardingDone() const { return onboardingDone_.value; }
    void setOnboardingDone(bool value) { store(onboardingDone_, value); }
    std::optional<double> panelX() const { return panelX_.value; }
    void setPanelX(std::optional<double> value) { store(panelX_, value); }
    std::optional<double> panelY() const { return panelY_.value; }
    void setPanelY(std::optional<double> value) { store(panelY_, value); }
    bool panelExpanded() const { return panelExpanded_.value; }
    void setPanelExpanded(bool value) { store(panelExpanded_, value); }
    const std::optional<QByteArray>& storageBookmark() const { return storageBookmark_.value; }
    void setStorageBookmark(const std::optional<QByteArray>& value) { store(storageBookmark_, value); }
    // Click kind raw value → item action raw value, both strings.
    const QVariantMap& clickActions() const { return clickActions_.value; }
    void setClickActions(const QVariantMap& value) { store(clickActions_, value); }
    WindowLook look() const { return look_.value; }
    void setLook(WindowLook value) { store(look_, value); }
    bool openScreenshotsInEditor() const { return openScreenshotsInEditor_.value; }
    void setOpenScreenshotsInEditor(bool value) { store(openScreenshotsInEditor_, value); }
    bool expiryEnabled() const { return expiryEnabled_.value; }
    void setExpiryEnabled(bool value) { store(expiryEnabled_, value); }
    int expiryDays() const { return expiryDays_.value; }
    void setExpiryDays(int value) { store(expiryDays_, value); }
    int expiryHours() const { return expiryHours_.value; }
    void setExpiryHours(int value) { store(expiryHours_, value); }
    PenThickness penThickness() const { return penThickness_.value; }
    void setPenThickness(PenThickness value) { store(penThickness_, value); }
    const QColor& penColor() const { return penColor_.value; }
    void setPenColor(const QColor& value) { store(penColor_, value); }
    const QColor& highlightColor() const { return highlightColor_.value; }
    void setHighlightColor(const QColor& value) { store(highlightColor_, value); }
    PanelPlacement panelPlacement() const { return panelPlacement_.value; }
    void setPanelPlacement(PanelPlacement value) { store(panelPlacement_, value); }
    bool plainTextTiles() const { return plainTextTiles_.value; }
    void setPlainTextTiles(bool value) { store(plainTextTiles_, value); }
    bool showMenuBarIcon() const { return showMenuBarIcon_.value; }
    void setShowMenuBarIcon(bool value) { store(showMenuBarIcon_, value); }
    Cipher cipher() const { return cipher_.value; }
    void setCipher(Cipher value) { store(cipher_, value); }
    ThemeChoice theme() const { return theme_.value; }
    void setTheme(ThemeChoice value) { store(theme_, value); }
    const HotKey& hotKey() const { return hotKey_.value; }
    void setHotKey(const HotKey& value) { store(hotKey_, value); }

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
    // Writes the value's stored form (no form removes the key, and the setting takes its default) and
    // signals when the setting changes.
    template <typename T> void store(Setting<T>& setting, const T& value) {
        const QVariant stored = storedForm(value);
        write(setting.key, stored);
        const T& next = stored.isValid() ? value : setting.fallback;
        if (setting.value != next) {
            setting.value = next;
            emit(this->*setting.changed)();
        }
    }
    void write(const char* key, const QVariant& stored);
    void load();
    template <typename T> void load(Setting<T>& setting);
    std::optional<PanelPlacement> placementFromOlderForms(std::optional<PanelPlacement> stored);
    std::optional<bool> openFullHeightOnce(std::optional<bool> stored);

    template <typename Self> static auto table(Self& self) {
        return std::tie(
            self.maxItems_, self.persistent_, self.rotationEnabled_, self.rotationDays_, self.requireAuth_,
            self.skipConcealed_, self.hideFromScreenSharing_, self.storageChosen_, self.onboardingDone_,
            self.panelX_, self.panelY_, self.panelExpanded_, self.storageBookmark_, self.clickActions_,
            self.look_, self.openScreenshotsInEditor_, self.expiryEnabled_, self.expiryDays_,
            self.expiryHours_, self.penThickness_, self.penColor_, self.highlightColor_, self.panelPlacement_,
            self.plainTextTiles_, self.showMenuBarIcon_, self.cipher_, self.theme_, self.hotKey_);
    }

    QSettings settings_;
    // The settings, one entry each: key, signal, default, range, migration.
    Setting<int> maxItems_{"maxItems", &Preferences::maxItemsChanged, 500, {1, 5000}};
    Setting<bool> persistent_{"persistent", &Preferences::persistentChanged, true};
    Setting<bool> rotationEnabled_{"rotationEnabled", &Preferences::rotationEnabledChanged, true};
    Setting<int> rotationDays_{"rotationDays", &Preferences::rotationDaysChanged, 30, {1, 365}};
    Setting<bool> requireAuth_{"requireAuth", &Preferences::requireAuthChanged, false};
    Setting<bool> skipConcealed_{"skipConcealed", &Preferences::skipConcealedChanged, true};
    Setting<bool> hideFromScreenSharing_{"hideFromScreenSharing", &Preferences::hideFromScreenSharingChanged,
                                         true};
    Setting<bool> storageChosen_{"storageChosen", &Preferences::storageChosenChanged, false};
    Setting<bool> onboardingDone_{"onboardingDone", &Preferences::onboardingDoneChanged, false};
    Setting<std::optional<double>> panelX_{"panelX", &Preferences::panelXChanged, std::nullopt};
    Setting<std::optional<double>> panelY_{"panelY", &Preferences::panelYChanged, std::nullopt};
    Setting<bool> panelExpanded_{
        "panelExpanded", &Preferences::panelExpandedChanged, true, {}, &Preferences::openFullHeightOnce};
    Setting<std::optional<QByteArray>> storageBookmark_{"storageBookmark",
                                                        &Preferences::storageBookmarkChanged, std::nullopt};
    Setting<QVariantMap> clickActions_{"clickActions", &Preferences::clickActionsChanged, {}};
    Setting<WindowLook> look_{"look", &Preferences::lookChanged, WindowLook::translucent};
    Setting<bool> openScreenshotsInEditor_{"openScreenshotsInEditor",
                                           &Preferences::openScreenshotsInEditorChanged, true};
    Setting<bool> expiryEnabled_{"expiryEnabled", &Preferences::expiryEnabledChanged, false};
    Setting<int> expiryDays_{"expiryDays", &Preferences::expiryDaysChanged, 30, {0, 3650}};
    Setting<int> expiryHours_{"expiryHours", &Preferences::expiryHoursChanged, 0, {0, 23}};
    Setting<PenThickness> penThickness_{"penThickness", &Preferences::penThicknessChanged,
                                        PenThickness::medium};
    Setting<QColor> penColor_{"penColor", &Preferences::penColorChanged, QColor(0xFF, 0x3B, 0x30)};
    Setting<QColor> highlightColor_{"highlightColor", &Preferences::highlightColorChanged,
                                    QColor(0xFF, 0xCC, 0x00)};
    Setting<PanelPlacement> panelPlacement_{"panelPlacement",
                                            &Preferences::panelPlacementChanged,
                                            PanelPlacement::rightEdge,
                                            {},
                                            &Preferences::placementFromOlderForms};
    Setting<bool> plainTextTiles_{"plainTextTiles", &Preferences::plainTextTilesChanged, false};
    Setting<bool> showMenuBarIcon_{"showMenuBarIcon", &Preferences::showMenuBarIconChanged, true};
    Setting<Cipher> cipher_{"cipher", &Preferences::cipherChanged, Cipher::aes256GCM};
    Setting<ThemeChoice> theme_{"theme", &Preferences::themeChanged, ThemeChoice::system};
    Setting<HotKey> hotKey_{"hotKey", &Preferences::hotKeyChanged, HotKey::standard()};
};

inline auto Preferences::settings() const {
    return table(*this);
}

} // namespace snipstack
