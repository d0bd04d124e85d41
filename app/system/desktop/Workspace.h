#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace snipstack {

// A running application with a window, as the clipboard's source and as the target of a paste.
struct RunningApplication {
    // Display name: the desktop entry's Name, else the WM_CLASS class.
    std::optional<std::string> localizedName;
    // The desktop-entry ID (e.g. "org.gnome.TextEditor"), else the WM_CLASS class lower-cased.
    std::optional<std::string> bundleIdentifier;
    // Theme icon name from the desktop entry, for QIcon::fromTheme.
    std::optional<std::string> iconName;
    // The window that was active, which activation brings back.
    std::uint32_t window = 0;
    std::int64_t processID = 0;
    // WM_CLASS class as it stands, e.g. to recognise terminal emulators.
    std::string windowClass;

    friend bool operator==(const RunningApplication&, const RunningApplication&) = default;
};

// The desktop's windows as far as the program needs them. Main thread only.
class Workspace {
public:
    virtual ~Workspace() = default;

    virtual std::optional<RunningApplication> frontmostApplication() = 0;
    // Asks the window manager to activate the application's window; false when it cannot be asked.
    virtual bool activate(const RunningApplication& application) = 0;
};

} // namespace snipstack
