#include "app/system/ApplyHotKey.h"

#include "app/system/HotKeyCenter.h"
#include "app/system/Preferences.h"

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

HotKeyApplied applyHotKey(const std::optional<HotKey>& newHotKey, Preferences& preferences) {
    return applyHotKey(newHotKey, preferences, [](const HotKey& hotKey) {
        return HotKeyCenter::shared().registerHotKey(hotKey.keyCode, hotKey.modifiers);
    });
}

} // namespace snipstack
