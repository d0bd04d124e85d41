#include "app/model/ApplyHotKey.h"

#include "app/system/preferences/Preferences.h"

namespace snipstack {

HotKeyApplied applyHotKey(const std::optional<HotKey>& newHotKey, Preferences& preferences,
                          const HotKeyRegistrar& registrar) {
    const HotKey saved = preferences.hotKey();
    if (newHotKey && registrar(*newHotKey)) {
        preferences.setHotKey(*newHotKey);
        return {true, std::nullopt};
    }
    HotKeyApplied applied{registrar(saved), std::nullopt};
    if (newHotKey) {
        applied.alert = HotKeyAlert{QStringLiteral("Shortcut unavailable"),
                                    QStringLiteral("That key combination is already used by another app.")};
    }
    return applied;
}

} // namespace snipstack
