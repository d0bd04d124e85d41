#include "app/system/desktop/DesktopFile.h"

#include <QString>
#include <algorithm>

namespace snipstack {
namespace {

// Blanks that end a line are dropped as well: editors leave them unseen, and nobody means them.
std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool isGroupName(std::string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(),
                                        [](char c) { return c >= 0x20 && c < 0x7f && c != '[' && c != ']'; });
}

bool isKeyCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

// "Key" or "Key[locale]", the locale spelt lang_COUNTRY.ENCODING@MODIFIER with the last three optional.
bool isKey(std::string_view key) {
    const auto open = key.find('[');
    const std::string_view name = key.substr(0, open);
    if (name.empty() || !std::all_of(name.begin(), name.end(), isKeyCharacter)) {
        return false;
    }
    if (open == std::string_view::npos) {
        return true;
    }
    const std::string_view locale = key.substr(open + 1, key.size() - open - 2);
    return key.ends_with(']') && !locale.empty() && std::all_of(locale.begin(), locale.end(), [](char c) {
               return isKeyCharacter(c) || c == '_' || c == '.' || c == '@';
           });
}

std::string unescaped(std::string_view value) {
    std::string result;
    result.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        char resolved = '\0';
        if (value[i] == '\\' && i + 1 < value.size()) {
            switch (value[i + 1]) {
            case 's':
                resolved = ' ';
                break;
            case 'n':
                resolved = '\n';
                break;
            case 't':
                resolved = '\t';
                break;
            case 'r':
                resolved = '\r';
                break;
            case '\\':
                resolved = '\\';
                break;
            }
        }
        if (resolved == '\0') {
            // Other backslashes stand as written: lists escape their separator as "\;" for whoever
            // splits them.
            result += value[i];
        } else {
            result += resolved;
            ++i;
        }
    }
    // Invalid UTF-8 becomes replacement characters rather than reaching the interface.
    return QString::fromUtf8(result.data(), qsizetype(result.size())).toStdString();
}

} // namespace

DesktopFile::DesktopFile(std::string_view content) {
    Group* group = nullptr;
    for (std::size_t number = 1; !content.empty(); ++number) {
        const auto end = content.find('\n');
        std::string_view line = content.substr(0, end);
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        line = trimmed(line);
        if (line.empty() || line.starts_with('#')) {
            continue;
        }
        if (line.starts_with('[')) {
            const std::string_view name = line.substr(1, line.size() - 2);
            // Keys under a broken header are not taken for the group before it.
            group = line.ends_with(']') && isGroupName(name) ? &groups_[std::string(name)] : nullptr;
            if (!group) {
                skippedLines_.push_back(number);
            }
            continue;
        }
        const auto equals = line.find('=');
        const std::string_view key = trimmed(line.substr(0, equals));
        if (!group || equals == std::string_view::npos || !isKey(key)) {
            skippedLines_.push_back(number);
            continue;
        }
        group->try_emplace(std::string(key), trimmed(line.substr(equals + 1)));
    }
}

bool DesktopFile::hasGroup(std::string_view group) const {
    return groups_.find(group) != groups_.end();
}

std::optional<std::string> DesktopFile::value(std::string_view group, std::string_view key) const {
    const auto foundGroup = groups_.find(group);
    if (foundGroup == groups_.end()) {
        return std::nullopt;
    }
    const auto found = foundGroup->second.find(key);
    if (found == foundGroup->second.end()) {
        return std::nullopt;
    }
    return unescaped(found->second);
}

} // namespace snipstack
