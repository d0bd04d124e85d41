#include "app/system/desktop/LaunchAtLogin.h"

#include "app/system/desktop/ReadDesktopFile.h"
#include "core/store/StoreFiles.h"

#include <QStandardPaths>
#include <QString>
#include <string_view>

namespace snipstack {

namespace fs = std::filesystem;

fs::path autostartEntryPath() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return fs::path(config.toStdString()) / "autostart" / "com.orvend.snipstack.desktop";
}

std::string desktopExecArgument(const std::string& path) {
    constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string argument;
    if (path.find_first_of(reserved) == std::string::npos) {
        argument = path;
    } else {
        argument = "\"";
        for (const char c : path) {
            if (c == '"' || c == '`' || c == '$' || c == '\\') {
                argument += '\\';
            }
            argument += c;
        }
        argument += '"';
    }
    // The Exec value is itself a string value, whose own escapes apply first; '%' starts a field code.
    std::string value;
    for (const char c : argument) {
        if (c == '\\') {
            value += "\\\\";
        } else if (c == '%') {
            value += "%%";
        } else if (c == '\n') {
            value += "\\n";
        } else if (c == '\t') {
            value += "\\t";
        } else if (c == '\r') {
            value += "\\r";
        } else {
            value += c;
        }
    }
    return value;
}

bool setLaunchAtLogin(bool enabled, const fs::path& executable) {
    const fs::path entry = autostartEntryPath();
    std::error_code error;
    if (!enabled) {
        fs::remove(entry, error);
        return !error;
    }
    const std::string contents = "[Desktop Entry]\nType=Application\nName=Snipstack\nExec=" +
                                 desktopExecArgument(executable.string()) +
                                 "\nX-GNOME-Autostart-enabled=true\n";
    fs::create_directories(entry.parent_path(), error);
    if (error) {
        return false;
    }
    try {
        writeAtomically(contents, entry);
    } catch (const fs::filesystem_error&) {
        return false;
    }
    return true;
}

bool launchAtLoginEnabled() {
    const std::optional<DesktopFile> entry = readDesktopFile(autostartEntryPath());
    if (!entry) {
        return false;
    }
    // Desktop settings switch an entry off in place rather than removing it.
    return entry->value("Desktop Entry", "Hidden") != "true" &&
           entry->value("Desktop Entry", "X-GNOME-Autostart-enabled") != "false";
}

} // namespace snipstack
