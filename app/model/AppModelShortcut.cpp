#include "app/model/AppModel.h"

namespace snipstack {

std::unique_ptr<ShortcutRecording> AppModel::recordShortcut() {
    return std::make_unique<ShortcutRecording>([this] { unregisterHotKey(); },
                                               [this](const std::optional<HotKey>& hotKey) {
                                                   const HotKeyApplied applied = applyHotKey(hotKey);
                                                   if (applied.alert) {
                                                       alert(Alert::Style::warning, applied.alert->title,
                                                             applied.alert->text);
                                                   }
                                                   return applied;
                                               });
}

void AppModel::beep() {
    environment_.desktop.beep();
}

} // namespace snipstack
