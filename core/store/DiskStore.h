#pragma once

#include "core/store/RecordKind.h"
#include "core/store/Sealer.h"
#include "core/store/StoreLayout.h"
#include "core/store/StoreManifest.h"

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace snipstack {

// One encrypted store: B/Stores/ID with its manifest and a folder of sealed records per kind.
// An immutable value; every operation goes straight to the file system.
class DiskStore {
public:
    DiskStore(std::filesystem::path directory, StoreManifest manifest, Sealer sealer);

    // A new store under a fresh ID: kind folders (mode 0700), then the manifest. Neither the
    // pointer file nor the key vault is touched. Throws filesystem errors.
    static DiskStore create(const StoreLayout& layout, const SymmetricKey& key, const std::string& keyID,
                            Cipher cipher, Date createdAt);
    // Throws StoreError::missingManifest when the manifest cannot be read or decoded.
    static DiskStore open(const StoreLayout& layout, const std::string& storeID, const SymmetricKey& key);

    const std::filesystem::path& directory() const { return directory_; }
    const StoreManifest& manifest() const { return manifest_; }
    const Sealer& sealer() const { return sealer_; }

    std::filesystem::path recordURL(RecordKind kind, const Uuid& id) const;
    // Seals and replaces the record atomically. Throws CryptoError or filesystem errors.
    void write(std::string_view data, RecordKind kind, const Uuid& id) const;
    // Throws StoreError::missingRecord for an unreadable file, CryptoError for one that does not open.
    Bytes read(RecordKind kind, const Uuid& id) const;
    // Record names that parse as UUIDs (either case); anything else is skipped.
    std::set<Uuid> ids(RecordKind kind) const;
    // Removes the meta, thumb and blob records of the entry, ignoring any that are missing.
    void deleteRecords(const Uuid& id) const;

private:
    // The sealed bytes of a record, or nothing when its file cannot be read.
    std::optional<Bytes> readSealed(RecordKind kind, const Uuid& id) const;

    std::filesystem::path directory_;
    StoreManifest manifest_;
    Sealer sealer_;
};

// Creates `directory` and missing parents with mode 0700. Throws filesystem errors.
void createPrivateDirectories(const std::filesystem::path& directory);

} // namespace snipstack
