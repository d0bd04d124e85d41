#pragma once

#include <filesystem>
#include <string>

namespace snipstack {

// Launch at login through the XDG autostart entry $XDG_CONFIG_HOME/autostart/com.orvend.snipstack.desktop
// (XDG_CONFIG_HOME defaults to ~/.config), as it stands at each call.
std::filesystem::path autostartEntryPath();

// Writes the entry crash-safely, starting `executable`, or removes it. False when the file could not be
// written or removed; the previous state then stands.
bool setLaunchAtLogin(bool enabled, const std::filesystem::path& executable);

// Whether the entry exists and the desktop is not told to skip it (Hidden=true, or
// X-GNOME-Autostart-enabled=false as desktop settings write it).
bool launchAtLoginEnabled();

// `path` as one argument of a desktop entry's Exec key, quoted and escaped when it needs to be.
std::string desktopExecArgument(const std::string& path);

} // namespace snipstack
