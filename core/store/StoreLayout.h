#pragma once

#include "core/store/StoreManifest.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace snipstack {

// The folder tree under a base folder B: B/current names the live store, B/Stores/ID holds each
// store. Touches only the pointer file and the list of stores.
class StoreLayout {
public:
    explicit StoreLayout(std::filesystem::path base) : base_(std::move(base)) {}

    const std::filesystem::path& base() const { return base_; }
    std::filesystem::path storesDirectory() const { return base_ / "Stores"; }
    std::filesystem::path storeDirectory(const std::string& id) const { return storesDirectory() / id; }

    // The trimmed content of B/current, or nothing when it is unreadable, not UTF-8 or blank.
    std::optional<std::string> currentStoreID() const;
    // Creates B when needed and replaces B/current atomically. Throws filesystem errors.
    void setCurrent(const std::string& id) const;
    void clearCurrent() const;
    // Subfolders of B/Stores in listing order; hidden entries and plain files are skipped.
    std::vector<std::string> storeIDs() const;
    std::optional<StoreManifest> manifest(const std::string& storeID) const;

    friend bool operator==(const StoreLayout&, const StoreLayout&) = default;

private:
    std::filesystem::path base_;
};

} // namespace snipstack
