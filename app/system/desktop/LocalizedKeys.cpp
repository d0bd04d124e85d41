#include "app/system/desktop/LocalizedKeys.h"

#include <QString>
#include <QtGlobal>
#include <algorithm>

namespace snipstack {

std::string messagesLocale() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        std::string locale = qEnvironmentVariable(variable).toStdString();
        if (!locale.empty()) {
            return locale;
        }
    }
    return {};
}

std::vector<std::string> localizedKeys(const std::string& key, std::string locale) {
    std::string modifier;
    if (const auto at = locale.find('@'); at != std::string::npos) {
        modifier = locale.substr(at);
        locale.erase(at);
    }
    locale = locale.substr(0, locale.find('.'));
    const std::string language = locale.substr(0, locale.find('_'));
    std::vector<std::string> candidates;
    if (!modifier.empty()) {
        candidates.push_back(locale + modifier);
    }
    candidates.push_back(locale);
    if (!modifier.empty()) {
        candidates.push_back(language + modifier);
    }
    candidates.push_back(language);
    std::vector<std::string> keys;
    for (const std::string& candidate : candidates) {
        const std::string localized = key + "[" + candidate + "]";
        if (!language.empty() && language != "C" && language != "POSIX" &&
            std::find(keys.begin(), keys.end(), localized) == keys.end()) {
            keys.push_back(localized);
        }
    }
    keys.push_back(key);
    return keys;
}

} // namespace snipstack
