#include "app/system/desktop/LaunchAtLogin.h"

#include "core/store/StoreFiles.h"

#include <QStandardPaths>
#include <QString>
#include <fstream>
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
    std::ifstream file(autostartEntryPath());
    if (!file) {
        return false;
    }
    // Desktop settings switch an entry off in place, written by the format's rules: blank around
    // "=" allowed, lines ended by LF or CRLF.
    const auto trimmed = [](std::string_view text) {
        constexpr std::string_view blank = " \t\r";
        const auto first = text.find_first_not_of(blank);
        return first == std::string_view::npos ? std::string_view()
                                               : text.substr(first, text.find_last_not_of(blank) - first + 1);
    };
    bool inMainGroup = false;
    for (std::string raw; std::getline(file, raw);) {
        const std::string_view line = trimmed(raw);
        if (line.starts_with('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const auto equals = line.find('=');
        if (!inMainGroup || line.starts_with('#') || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = trimmed(line.substr(0, equals));
        const std::string_view value = trimmed(line.substr(equals + 1));
        if ((key == "Hidden" && value == "true") ||
            (key == "X-GNOME-Autostart-enabled" && value == "false")) {
            return false;
        }
    }
    return true;
}

} // namespace snipstack
