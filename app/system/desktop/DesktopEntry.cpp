#include "app/system/desktop/DesktopEntry.h"

#include <QString>
#include <unordered_map>

namespace snipstack {
namespace {

std::string unescaped(std::string_view value) {
    std::string result;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            result += value[i];
            continue;
        }
        switch (value[++i]) {
        case 's':
            result += ' ';
            break;
        case 'n':
            result += '\n';
            break;
        case 't':
            result += '\t';
            break;
        case 'r':
            result += '\r';
            break;
        default:
            result += value[i];
        }
    }
    // Invalid UTF-8 becomes replacement characters rather than reaching the interface.
    return QString::fromUtf8(result.data(), qsizetype(result.size())).toStdString();
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

std::optional<ParsedDesktopEntry> parseDesktopEntry(std::string_view content, std::string id,
                                                    const std::vector<std::string>& nameKeys) {
    std::unordered_map<std::string, std::string> values;
    bool inGroup = false;
    bool sawGroup = false;
    while (!content.empty()) {
        const auto end = content.find('\n');
        std::string_view line = content.substr(0, end);
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        line = trimmed(line);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            if (inGroup) {
                break;
            }
            inGroup = line == "[Desktop Entry]";
            sawGroup = sawGroup || inGroup;
            continue;
        }
        const auto equals = line.find('=');
        if (inGroup && equals != std::string_view::npos) {
            // The first occurrence of a key counts.
            values.emplace(trimmed(line.substr(0, equals)), trimmed(line.substr(equals + 1)));
        }
    }
    const auto value = [&](const std::string& key) -> std::optional<std::string> {
        const auto found = values.find(key);
        if (found == values.end() || found->second.empty()) {
            return std::nullopt;
        }
        return unescaped(found->second);
    };
    const auto type = value("Type");
    if (!sawGroup || (type && *type != "Application") || value("Hidden") == "true") {
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
