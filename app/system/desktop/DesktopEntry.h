#pragma once

#include "app/system/desktop/DesktopFile.h"

#include <optional>
#include <string>
#include <vector>

namespace snipstack {

// What the desktop knows about an installed application.
struct DesktopEntry {
    // The desktop-file ID without ".desktop", e.g. "org.gnome.TextEditor".
    std::string id;
    // Name, in the messages locale when the entry has it.
    std::optional<std::string> name;
    std::optional<std::string> iconName;

    friend bool operator==(const DesktopEntry&, const DesktopEntry&) = default;
};

// What one desktop file says: its application entry and the window class it claims.
struct ParsedDesktopEntry {
    DesktopEntry entry;
    // StartupWMClass.
    std::optional<std::string> windowClass;
};

// What a desktop file's [Desktop Entry] group says about its application; nothing when the file is
// no visible application entry. `id` becomes the entry's ID; `nameKeys` are the Name keys to try,
// best first.
std::optional<ParsedDesktopEntry> applicationEntry(const DesktopFile& file, std::string id,
                                                   const std::vector<std::string>& nameKeys);

} // namespace snipstack
