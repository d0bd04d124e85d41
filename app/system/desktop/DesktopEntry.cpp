#include "app/system/desktop/DesktopEntry.h"

namespace snipstack {

std::optional<ParsedDesktopEntry> applicationEntry(const DesktopFile& file, std::string id,
                                                   const std::vector<std::string>& nameKeys) {
    constexpr std::string_view group = "Desktop Entry";
    // An empty value says nothing, so a localised Name left empty falls back to the next key.
    const auto value = [&](const std::string& key) {
        std::optional<std::string> found = file.value(group, key);
        return found && !found->empty() ? found : std::nullopt;
    };
    const auto type = value("Type");
    if (!file.hasGroup(group) || (type && *type != "Application") || value("Hidden") == "true") {
        return std::nullopt;
    }
    ParsedDesktopEntry parsed{{std::move(id), std::nullopt, value("Icon")}, value("StartupWMClass")};
    for (const std::string& key : nameKeys) {
        if ((parsed.entry.name = value(key))) {
            break;
        }
    }
    return parsed;
}

} // namespace snipstack
