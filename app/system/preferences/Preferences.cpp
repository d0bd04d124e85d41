#include "app/system/preferences/Preferences.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace snipstack {

namespace {

QString keyOf(const char* key) {
    return QString::fromLatin1(key);
}

// INI files give back every scalar as a string; values written in this process keep their type.
std::optional<bool> boolOf(const QVariant& value) {
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool();
    }
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        if (text == QLatin1String("true") || text == QLatin1String("false")) {
            return text == QLatin1String("true");
        }
    }
    return std::nullopt;
}

// A number too large for 64 bits or with a fraction is still a number the user (or an older
// version) meant: it is cut to a whole one and clamped like any other, not thrown away.
std::optional<qint64> wholeNumberOf(double number) {
    if (std::isnan(number)) {
        return std::nullopt;
    }
    constexpr double limit = 9.2e18;
    return qint64(std::clamp(std::trunc(number), -limit, limit));
}

std::optional<qint64> integerOf(const QVariant& value) {
    bool ok = false;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return value.toLongLong();
    case QMetaType::ULongLong:
        return qint64(std::min<qulonglong>(value.toULongLong(), std::numeric_limits<qint64>::max()));
    case QMetaType::Double:
    case QMetaType::Float:
        return wholeNumberOf(value.toDouble());
    case QMetaType::QString: {
        const QString text = value.toString().trimmed();
        if (const qint64 number = text.toLongLong(&ok); ok) {
            return number;
        }
        const double number = text.toDouble(&ok);
        return ok ? wholeNumberOf(number) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<double> numberOf(const QVariant& value) {
    bool ok = false;
    double number = 0;
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        number = value.toDouble(&ok);
        break;
    case QMetaType::QString:
        number = value.toString().toDouble(&ok);
        break;
    default:
        break;
    }
    return ok && std::isfinite(number) ? std::optional(number) : std::nullopt;
}

std::optional<QString> stringOf(const QVariant& value) {
    return value.typeId() == QMetaType::QString ? std::optional(value.toString()) : std::nullopt;
}

bool readBool(const QSettings& settings, const char* key, bool fallback) {
    return boolOf(settings.value(keyOf(key))).value_or(fallback);
}

int readInt(const QSettings& settings, const char* key, int fallback, int lowest, int highest) {
    const qint64 number = integerOf(settings.value(keyOf(key))).value_or(fallback);
    return int(std::clamp<qint64>(number, lowest, highest));
}

// Empty when absent or not a string; no raw value is empty.
std::string readRaw(const QSettings& settings, const char* key) {
    return stringOf(settings.value(keyOf(key))).value_or(QString()).toStdString();
}

QColor readColor(const QSettings& settings, const char* key, const QColor& fallback) {
    const auto text = stringOf(settings.value(keyOf(key)));
    const QColor color = text ? QColor::fromString(*text) : QColor();
    return color.isValid() ? color : fallback;
}

std::optional<QByteArray> readBytes(const QSettings& settings, const char* key) {
    const QVariant value = settings.value(keyOf(key));
    return value.typeId() == QMetaType::QByteArray ? std::optional(value.toByteArray()) : std::nullopt;
}

// A map with any value that is not a string counts as empty.
QVariantMap readStringMap(const QSettings& settings, const char* key) {
    const QVariant value = settings.value(keyOf(key));
    if (value.typeId() != QMetaType::QVariantMap) {
        return {};
    }
    QVariantMap map = value.toMap();
    const bool allStrings =
        std::ranges::all_of(map, [](const QVariant& entry) { return entry.typeId() == QMetaType::QString; });
    return allStrings ? map : QVariantMap();
}

QVariant stored(std::string_view raw) {
    return QString::fromUtf8(raw.data(), qsizetype(raw.size()));
}

QVariant stored(const QColor& color) {
    return color.isValid() ? QVariant(color.name(QColor::HexArgb)) : QVariant();
}

template <typename T> QVariant stored(const std::optional<T>& value) {
    return value ? QVariant::fromValue(*value) : QVariant();
}

} // namespace

Preferences::Preferences(QObject* parent) : QObject(parent), settings_("orvend", "Snipstack") {
    load();
}

Preferences::Preferences(const QString& path, QObject* parent)
    : QObject(parent), settings_(path, QSettings::IniFormat) {
    load();
}

void Preferences::load() {
    const QSettings& s = settings_;
    maxItems_ = readInt(s, "maxItems", maxItems_, 1, 5000);
    persistent_ = readBool(s, "persistent", persistent_);
    rotationEnabled_ = readBool(s, "rotationEnabled", rotationEnabled_);
    rotationDays_ = readInt(s, "rotationDays", rotationDays_, 1, 365);
    requireAuth_ = readBool(s, "requireAuth", requireAuth_);
    skipConcealed_ = readBool(s, "skipConcealed", skipConcealed_);
    hideFromScreenSharing_ = readBool(s, "hideFromScreenSharing", hideFromScreenSharing_);
    storageChosen_ = readBool(s, "storageChosen", storageChosen_);
    onboardingDone_ = readBool(s, "onboardingDone", onboardingDone_);
    panelX_ = numberOf(s.value(keyOf("panelX")));
    panelY_ = numberOf(s.value(keyOf("panelY")));
    panelExpanded_ = readBool(s, "panelExpanded", panelExpanded_);
    storageBookmark_ = readBytes(s, "storageBookmark");
    clickActions_ = readStringMap(s, "clickActions");
    look_ = fromRawValue<WindowLook>(readRaw(s, "look")).value_or(look_);
    openScreenshotsInEditor_ = readBool(s, "openScreenshotsInEditor", openScreenshotsInEditor_);
    expiryEnabled_ = readBool(s, "expiryEnabled", expiryEnabled_);
    expiryDays_ = readInt(s, "expiryDays", expiryDays_, 0, 3650);
    expiryHours_ = readInt(s, "expiryHours", expiryHours_, 0, 23);
    penThickness_ = fromRawValue<PenThickness>(readRaw(s, "penThickness")).value_or(penThickness_);
    penColor_ = readColor(s, "penColor", penColor_);
    highlightColor_ = readColor(s, "highlightColor", highlightColor_);
    plainTextTiles_ = readBool(s, "plainTextTiles", plainTextTiles_);
    showMenuBarIcon_ = readBool(s, "showMenuBarIcon", showMenuBarIcon_);
    cipher_ = cipherFromRawValue(readRaw(s, "cipher")).value_or(cipher_);
    theme_ = fromRawValue<ThemeChoice>(readRaw(s, "theme")).value_or(theme_);
    hotKey_ = HotKey::fromJson(readBytes(s, "hotKey").value_or(QByteArray())).value_or(hotKey_);
    migrate();
    if (!settings_.value("firstLaunchDate").isValid()) {
        settings_.setValue("firstLaunchDate", QDateTime::currentDateTimeUtc());
    }
}

void Preferences::migrate() {
    // "remembered" needs a stored position; older versions kept only a right-edge flag beside it.
    const bool stickRight = readBool(settings_, "panelStickRight", false);
    const PanelPlacement fallback = settings_.value("panelX").isValid() && !stickRight
                                        ? PanelPlacement::remembered
                                        : PanelPlacement::rightEdge;
    const auto storedPlacement = fromRawValue<PanelPlacement>(readRaw(settings_, "panelPlacement"));
    panelPlacement_ =
        storedPlacement && *storedPlacement != PanelPlacement::remembered ? *storedPlacement : fallback;
    // The panel once opened half height; everyone gets the full height once.
    if (!readBool(settings_, "opensFullHeightMigrated", false)) {
        settings_.setValue("opensFullHeightMigrated", true);
        settings_.setValue("panelExpanded", true);
        panelExpanded_ = true;
    }
}

template <typename T>
void Preferences::store(T& field, const T& value, const char* key, const QVariant& stored,
                        void (Preferences::*changed)()) {
    if (stored.isValid()) {
        settings_.setValue(keyOf(key), stored);
    } else {
        settings_.remove(keyOf(key));
    }
    if (field != value) {
        field = value;
        emit(this->*changed)();
    }
}

ItemAction Preferences::action(ClickKind kind) const {
    const QString raw = clickActions_.value(QString::fromUtf8(rawValue(kind))).toString();
    return fromRawValue<ItemAction>(raw.toStdString()).value_or(defaultAction(kind));
}

void Preferences::setAction(ItemAction action, ClickKind kind) {
    QVariantMap actions = clickActions_;
    actions.insert(QString::fromUtf8(rawValue(kind)), stored(rawValue(action)));
    setClickActions(actions);
}

void Preferences::setMaxItems(int value) {
    store(maxItems_, value, "maxItems", value, &Preferences::maxItemsChanged);
}

void Preferences::setPersistent(bool value) {
    store(persistent_, value, "persistent", value, &Preferences::persistentChanged);
}

void Preferences::setRotationEnabled(bool value) {
    store(rotationEnabled_, value, "rotationEnabled", value, &Preferences::rotationEnabledChanged);
}

void Preferences::setRotationDays(int value) {
    store(rotationDays_, value, "rotationDays", value, &Preferences::rotationDaysChanged);
}

void Preferences::setRequireAuth(bool value) {
    store(requireAuth_, value, "requireAuth", value, &Preferences::requireAuthChanged);
}

void Preferences::setSkipConcealed(bool value) {
    store(skipConcealed_, value, "skipConcealed", value, &Preferences::skipConcealedChanged);
}

void Preferences::setHideFromScreenSharing(bool value) {
    store(hideFromScreenSharing_, value, "hideFromScreenSharing", value,
          &Preferences::hideFromScreenSharingChanged);
}

void Preferences::setStorageChosen(bool value) {
    store(storageChosen_, value, "storageChosen", value, &Preferences::storageChosenChanged);
}

void Preferences::setOnboardingDone(bool value) {
    store(onboardingDone_, value, "onboardingDone", value, &Preferences::onboardingDoneChanged);
}

void Preferences::setPanelX(std::optional<double> value) {
    store(panelX_, value, "panelX", stored(value), &Preferences::panelXChanged);
}

void Preferences::setPanelY(std::optional<double> value) {
    store(panelY_, value, "panelY", stored(value), &Preferences::panelYChanged);
}

void Preferences::setPanelExpanded(bool value) {
    store(panelExpanded_, value, "panelExpanded", value, &Preferences::panelExpandedChanged);
}

void Preferences::setStorageBookmark(const std::optional<QByteArray>& value) {
    store(storageBookmark_, value, "storageBookmark", stored(value), &Preferences::storageBookmarkChanged);
}

void Preferences::setClickActions(const QVariantMap& value) {
    store(clickActions_, value, "clickActions", value, &Preferences::clickActionsChanged);
}

void Preferences::setLook(WindowLook value) {
    store(look_, value, "look", stored(rawValue(value)), &Preferences::lookChanged);
}

void Preferences::setOpenScreenshotsInEditor(bool value) {
    store(openScreenshotsInEditor_, value, "openScreenshotsInEditor", value,
          &Preferences::openScreenshotsInEditorChanged);
}

void Preferences::setExpiryEnabled(bool value) {
    store(expiryEnabled_, value, "expiryEnabled", value, &Preferences::expiryEnabledChanged);
}

void Preferences::setExpiryDays(int value) {
    store(expiryDays_, value, "expiryDays", value, &Preferences::expiryDaysChanged);
}

void Preferences::setExpiryHours(int value) {
    store(expiryHours_, value, "expiryHours", value, &Preferences::expiryHoursChanged);
}

void Preferences::setPenThickness(PenThickness value) {
    store(penThickness_, value, "penThickness", stored(rawValue(value)), &Preferences::penThicknessChanged);
}

void Preferences::setPenColor(const QColor& value) {
    store(penColor_, value.isValid() ? value : defaultPenColor, "penColor", stored(value),
          &Preferences::penColorChanged);
}

void Preferences::setHighlightColor(const QColor& value) {
    store(highlightColor_, value.isValid() ? value : defaultHighlightColor, "highlightColor", stored(value),
          &Preferences::highlightColorChanged);
}

void Preferences::setPanelPlacement(PanelPlacement value) {
    store(panelPlacement_, value, "panelPlacement", stored(rawValue(value)),
          &Preferences::panelPlacementChanged);
}

void Preferences::setPlainTextTiles(bool value) {
    store(plainTextTiles_, value, "plainTextTiles", value, &Preferences::plainTextTilesChanged);
}

void Preferences::setShowMenuBarIcon(bool value) {
    store(showMenuBarIcon_, value, "showMenuBarIcon", value, &Preferences::showMenuBarIconChanged);
}

void Preferences::setCipher(Cipher value) {
    store(cipher_, value, "cipher", stored(rawValue(value)), &Preferences::cipherChanged);
}

void Preferences::setTheme(ThemeChoice value) {
    store(theme_, value, "theme", stored(rawValue(value)), &Preferences::themeChanged);
}

void Preferences::setHotKey(const HotKey& value) {
    store(hotKey_, value, "hotKey", value.toJson(), &Preferences::hotKeyChanged);
}

} // namespace snipstack
