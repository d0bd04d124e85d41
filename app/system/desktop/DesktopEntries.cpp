#include "app/system/desktop/DesktopEntries.h"

#include "app/system/desktop/ApplicationFolders.h"
#include "app/system/desktop/LocalizedKeys.h"
#include "app/system/desktop/ReadDesktopFile.h"

#include <QString>
#include <algorithm>
#include <unordered_set>

namespace snipstack {
namespace fs = std::filesystem;

namespace {

// Deeper folders are not searched; this also ends loops through linked folders.
constexpr int maximumFolderDepth = 4;
// Modification times this close to a scan may hide a change made in the same clock tick.
constexpr auto racyTimeSpan = std::chrono::seconds(2);

std::string folded(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size())).toCaseFolded().toStdString();
}

} // namespace

DesktopEntries::DesktopEntries(std::chrono::milliseconds recheckInterval)
    : folders_(applicationFolders()), nameKeys_(localizedKeys("Name", messagesLocale())),
      recheckInterval_(recheckInterval) {}

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
            const auto file = readDesktopFile(path);
            auto parsed = file ? applicationEntry(*file, id, nameKeys_) : std::nullopt;
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
