#include "app/system/desktop/DesktopEntries.h"

#include <QDir>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace snipstack {
namespace fs = std::filesystem;

namespace {

// Deeper folders are not searched; this also ends loops through linked folders.
constexpr int maximumFolderDepth = 4;
// Modification times this close to a scan may hide a change made in the same clock tick.
constexpr auto racyTimeSpan = std::chrono::seconds(2);

std::string environment(const char* name) {
    return qEnvironmentVariable(name).toStdString();
}

std::vector<fs::path> applicationFolders() {
    std::vector<fs::path> folders;
    fs::path home = environment("XDG_DATA_HOME");
    if (!home.is_absolute()) {
        home = fs::path(QDir::homePath().toStdString()) / ".local" / "share";
    }
    folders.push_back(home / "applications");
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty()) {
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    }
    for (const QString& dir : dirs.split(u':', Qt::SkipEmptyParts)) {
        const fs::path path = dir.toStdString();
        // Relative entries are invalid and would depend on the working folder.
        if (path.is_absolute()) {
            folders.push_back(path / "applications");
        }
    }
    return folders;
}

// The keys of Name in order of preference for a POSIX locale "lang_COUNTRY.ENCODING@MODIFIER".
std::vector<std::string> nameKeys() {
    std::string locale;
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = environment(variable);
        if (!locale.empty()) {
            break;
        }
    }
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
        const std::string key = "Name[" + candidate + "]";
        if (!language.empty() && language != "C" && language != "POSIX" &&
            std::find(keys.begin(), keys.end(), key) == keys.end()) {
            keys.push_back(key);
        }
    }
    keys.push_back("Name");
    return keys;
}

std::string folded(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size())).toCaseFolded().toStdString();
}

// Opens without blocking so that a pipe or device named like a desktop file cannot stall the scan.
std::optional<std::string> readHead(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<std::string> content;
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        std::string buffer(DesktopEntries::maximumFileSize, '\0');
        std::size_t length = 0;
        while (length < buffer.size()) {
            const ssize_t got = ::read(fd, buffer.data() + length, buffer.size() - length);
            if (got <= 0) {
                break;
            }
            length += std::size_t(got);
        }
        buffer.resize(length);
        // A line cut by the limit would yield a wrong value.
        if (std::size_t(status.st_size) > length) {
            buffer.erase(std::min(buffer.size(), buffer.rfind('\n') + 1));
        }
        content = std::move(buffer);
    }
    ::close(fd);
    return content;
}

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

DesktopEntries::DesktopEntries(std::chrono::milliseconds recheckInterval)
    : folders_(applicationFolders()), nameKeys_(nameKeys()), recheckInterval_(recheckInterval) {}

std::optional<DesktopEntry> DesktopEntries::find(std::string_view instance, std::string_view windowClass) {
    refreshIfStale();
    for (const auto* index : {&byWindowClass_, &byID_}) {
        for (const std::string_view key : {windowClass, instance}) {
            if (const DesktopEntry* entry = lookUp(*index, key)) {
                return *entry;
            }
        }
    }
    return std::nullopt;
}

const DesktopEntry* DesktopEntries::lookUp(const std::unordered_map<std::string, std::size_t>& index,
                                           std::string_view key) const {
    if (key.empty()) {
        return nullptr;
    }
    const auto found = index.find(folded(key));
    return found == index.end() ? nullptr : &entries_[found->second];
}

void DesktopEntries::refreshIfStale() {
    const auto now = std::chrono::steady_clock::now();
    if (lastCheck_ && now - *lastCheck_ < recheckInterval_) {
        return;
    }
    lastCheck_ = now;
    if (mustRebuild_ || currentFolderTimes() != folderTimes_) {
        rebuild();
    }
}

DesktopEntries::FolderTimes DesktopEntries::currentFolderTimes() const {
    FolderTimes times;
    for (const auto& [folder, time] : folderTimes_) {
        std::error_code error;
        times.emplace_back(folder, fs::last_write_time(folder, error));
    }
    return times;
}

void DesktopEntries::rebuild() {
    const auto scanStart = fs::file_time_type::clock::now();
    folderTimes_.clear();
    entries_.clear();
    byWindowClass_.clear();
    byID_.clear();
    // An ID found in an earlier folder hides the same ID in later ones, even when it is hidden itself.
    std::unordered_set<std::string> seen;
    const auto options =
        fs::directory_options::follow_directory_symlink | fs::directory_options::skip_permission_denied;
    for (const fs::path& root : folders_) {
        std::error_code error;
        // A missing folder is watched too: it may appear.
        folderTimes_.emplace_back(root, fs::last_write_time(root, error));
        std::vector<std::pair<std::string, fs::path>> files;
        // A linked folder seen before (a link back to a parent, say) would index aliases of its entries.
        std::unordered_set<std::string> visited{fs::weakly_canonical(root, error).string()};
        for (fs::recursive_directory_iterator it(root, options, error), end; !error && it != end;
             it.increment(error)) {
            const fs::path& path = it->path();
            // Errors about one entry, such as a dangling link, must not end the walk.
            std::error_code entryError;
            if (it->is_directory(entryError)) {
                const std::string real = fs::canonical(path, entryError).string();
                if (it.depth() + 1 >= maximumFolderDepth || entryError || !visited.insert(real).second) {
                    it.disable_recursion_pending();
                } else {
                    folderTimes_.emplace_back(path, fs::last_write_time(path, entryError));
                }
            } else if (path.extension() == ".desktop") {
                std::string id = path.lexically_relative(root).replace_extension().generic_string();
                std::replace(id.begin(), id.end(), '/', '-');
                files.emplace_back(std::move(id), path);
            }
        }
        std::sort(files.begin(), files.end());
        for (auto& [id, path] : files) {
            if (!seen.insert(id).second) {
                continue;
            }
            const auto content = readHead(path);
            auto parsed = content ? parseDesktopEntry(*content, id, nameKeys_) : std::nullopt;
            if (!parsed) {
                continue;
            }
            const std::size_t position = entries_.size();
            entries_.push_back(std::move(parsed->entry));
            byID_.emplace(folded(id), position);
            if (parsed->windowClass) {
                byWindowClass_.emplace(folded(*parsed->windowClass), position);
            }
        }
    }
    mustRebuild_ = std::any_of(folderTimes_.begin(), folderTimes_.end(),
                               [&](const auto& folder) { return folder.second > scanStart - racyTimeSpan; });
}

} // namespace snipstack
