#pragma once

#include "app/system/desktop/DesktopEntry.h"

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace snipstack {

// The desktop entries in the XDG application folders, indexed so that finding a window's
// application is cheap enough to do on every clipboard change. One index serves the whole program,
// on one thread: building it reads every desktop file.
class DesktopEntries {
public:
    // Takes the folders from XDG_DATA_HOME and XDG_DATA_DIRS and the locale from LC_ALL,
    // LC_MESSAGES or LANG as they are now. The folders' modification times are looked at no
    // more often than every `recheckInterval`; the index is rebuilt when one has changed.
    explicit DesktopEntries(std::chrono::milliseconds recheckInterval = std::chrono::seconds(3));

    // The entry whose StartupWMClass is the window's class or instance, else the one whose ID
    // is, ignoring case.
    std::optional<DesktopEntry> find(std::string_view instance, std::string_view windowClass);

private:
    using FolderTimes = std::vector<std::pair<std::filesystem::path, std::filesystem::file_time_type>>;

    void refreshIfStale();
    void rebuild();
    FolderTimes currentFolderTimes() const;
    const DesktopEntry* lookUp(const std::unordered_map<std::string, std::size_t>& index,
                               std::string_view key) const;

    std::vector<std::filesystem::path> folders_;
    std::vector<std::string> nameKeys_;
    std::chrono::milliseconds recheckInterval_;
    std::optional<std::chrono::steady_clock::time_point> lastCheck_;
    FolderTimes folderTimes_;
    // Set when a folder changed so recently that a change in the same clock tick would go unseen.
    bool mustRebuild_ = true;
    std::vector<DesktopEntry> entries_;
    std::unordered_map<std::string, std::size_t> byWindowClass_;
    std::unordered_map<std::string, std::size_t> byID_;
};

} // namespace snipstack
