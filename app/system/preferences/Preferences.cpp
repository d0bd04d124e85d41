#include "app/system/preferences/Preferences.h"

#include "app/system/LogCategories.h"

#include <QDateTime>
#include <QMetaType>
#include <algorithm>

namespace snipstack {

Preferences::Preferences(QObject* parent) : QObject(parent), settings_("orvend", "Snipstack") {
    load();
}

Preferences::Preferences(const QString& path, QObject* parent)
    : QObject(parent), settings_(path, QSettings::IniFormat) {
    load();
}

void Preferences::load() {
    std::apply([this](auto&... setting) { (load(setting), ...); }, table(*this));
    if (!settings_.value("firstLaunchDate").isValid()) {
        settings_.setValue("firstLaunchDate", QDateTime::currentDateTimeUtc());
    }
}

template <typename T> void Preferences::load(Setting<T>& setting) {
    const QVariant stored = settings_.value(setting.key);
    std::optional<T> value = stored.isValid() ? fromStoredForm<T>(stored) : std::nullopt;
    if (stored.isValid() && !value) {
        qCWarning(preferencesLog).nospace()
            << setting.key << " holds " << stored << ", which does not read as "
            << QMetaType::fromType<T>().name() << "; using its default";
    }
    if constexpr (std::same_as<T, int>) {
        const auto [lowest, highest] = setting.range;
        if (value && (*value < lowest || *value > highest)) {
            value = std::clamp(*value, lowest, highest);
            qCWarning(preferencesLog).nospace() << setting.key << " holds " << stored << ", outside "
                                                << lowest << " to " << highest << "; using " << *value;
        }
    }
    if (setting.migration) {
        value = (this->*setting.migration)(value);
    }
    setting.value = value.value_or(setting.fallback);
}

// "remembered" needs a stored position; older versions kept only a right-edge flag beside it.
std::optional<PanelPlacement> Preferences::placementFromOlderForms(std::optional<PanelPlacement> stored) {
    if (stored && *stored != PanelPlacement::remembered) {
        return stored;
    }
    const bool stickRight = fromStoredForm<bool>(settings_.value("panelStickRight")).value_or(false);
    if (settings_.value(panelX_.key).isValid() && !stickRight) {
        return PanelPlacement::remembered;
    }
    if (stored) {
        qCWarning(preferencesLog)
            << "panelPlacement is remembered, but no position is kept or an older version"
               " kept the panel at the right edge; using the right edge";
    }
    return std::nullopt;
}

// The panel once opened half height; everyone gets the full height once.
std::optional<bool> Preferences::openFullHeightOnce(std::optional<bool> stored) {
    if (fromStoredForm<bool>(settings_.value("opensFullHeightMigrated")).value_or(false)) {
        return stored;
    }
    settings_.setValue("opensFullHeightMigrated", true);
    settings_.setValue(panelExpanded_.key, true);
    return true;
}

void Preferences::write(const char* key, const QVariant& stored) {
    if (stored.isValid()) {
        settings_.setValue(key, stored);
    } else {
        settings_.remove(QString::fromLatin1(key));
    }
}

ItemAction Preferences::action(ClickKind kind) const {
    const QString kindName = storedForm(kind).toString();
    const QVariant stored = clickActions_.value.value(kindName);
    const auto action = fromStoredForm<ItemAction>(stored);
    if (stored.isValid() && !action) {
        qCWarning(preferencesLog).nospace() << "clickActions holds " << stored << " for " << kindName
                                            << ", which names no action; using that click's default";
    }
    return action.value_or(defaultAction(kind));
}

void Preferences::setAction(ItemAction action, ClickKind kind) {
    QVariantMap actions = clickActions_.value;
    actions.insert(storedForm(kind).toString(), storedForm(action));
    setClickActions(actions);
}

} // namespace snipstack
