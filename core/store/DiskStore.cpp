#include "core/store/DiskStore.h"

#include "core/store/StoreError.h"
#include "core/store/StoreFiles.h"

#include <cctype>
#include <cerrno>
#include <sys/stat.h>

namespace snipstack {

namespace fs = std::filesystem;

void createPrivateDirectories(const fs::path& directory) {
    fs::path partial;
    for (const auto& part : directory) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
            throw fs::filesystem_error("Could not create the folder", partial,
                                       std::error_code(errno, std::generic_category()));
        }
    }
    if (!fs::is_directory(directory)) {
        throw fs::filesystem_error("Could not create the folder", directory,
                                   std::make_error_code(std::errc::not_a_directory));
    }
}

DiskStore::DiskStore(fs::path directory, StoreManifest manifest, Sealer sealer)
    : directory_(std::move(directory)), manifest_(std::move(manifest)), sealer_(std::move(sealer)) {}

DiskStore DiskStore::create(const StoreLayout& layout, const SymmetricKey& key, const std::string& keyID,
                            Cipher cipher, Date createdAt) {
    const std::string storeID = Uuid::random().string();
    StoreManifest manifest{1, storeID, keyID, createdAt, cipher};
    const fs::path directory = layout.storeDirectory(storeID);
    for (RecordKind kind : allRecordKinds) {
        createPrivateDirectories(directory / rawValue(kind));
    }
    const Bytes encoded = manifest.encode();
    writeAtomically(viewOf(encoded), directory / "manifest");
    return DiskStore(directory, std::move(manifest), Sealer(key, storeID, cipher));
}

DiskStore DiskStore::open(const StoreLayout& layout, const std::string& storeID, const SymmetricKey& key) {
    auto manifest = layout.manifest(storeID);
    if (!manifest) {
        throw StoreError::missingManifest();
    }
    Sealer sealer(key, manifest->storeID, manifest->cipher);
    return DiskStore(layout.storeDirectory(storeID), std::move(*manifest), std::move(sealer));
}

fs::path DiskStore::recordURL(RecordKind kind, const Uuid& id) const {
    return directory_ / rawValue(kind) / id.string();
}

namespace {

// Records are listed whichever case their name is in, so a lower-case name must be readable and
// removable too, or a record listed once could never be opened or deleted.
fs::path lowerCaseSibling(const fs::path& record) {
    std::string name = record.filename().string();
    for (char& c : name) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return record.parent_path() / name;
}

} // namespace

void DiskStore::write(std::string_view data, RecordKind kind, const Uuid& id) const {
    const Bytes record = sealer_.seal(data, kind, id);
    const fs::path target = recordURL(kind, id);
    writeAtomically(viewOf(record), target);
    // The new record is read first; the old content under a lower-case name must not stay on disk.
    std::error_code ignored;
    fs::remove(lowerCaseSibling(target), ignored);
}

std::optional<Bytes> DiskStore::readSealed(RecordKind kind, const Uuid& id) const {
    const fs::path path = recordURL(kind, id);
    auto record = readFile(path);
    return record ? record : readFile(lowerCaseSibling(path));
}

Bytes DiskStore::read(RecordKind kind, const Uuid& id) const {
    const auto record = readSealed(kind, id);
    if (!record) {
        throw StoreError::missingRecord();
    }
    return sealer_.open(viewOf(*record), kind, id);
}

std::set<Uuid> DiskStore::ids(RecordKind kind) const {
    std::set<Uuid> result;
    std::error_code error;
    for (fs::directory_iterator entry(directory_ / rawValue(kind), error), end; !error && entry != end;
         entry.increment(error)) {
        if (auto id = Uuid::parse(entry->path().filename().native())) {
            result.insert(*id);
        }
    }
    return result;
}

void DiskStore::deleteRecords(const Uuid& id) const {
    // The payload goes last: interrupted after the entry, the payload left behind takes the
    // thumbnail with it at the next load; a thumbnail left alone would never be removed.
    for (RecordKind kind : {RecordKind::meta, RecordKind::thumb, RecordKind::blob}) {
        std::error_code ignored;
        fs::remove(recordURL(kind, id), ignored);
        fs::remove(lowerCaseSibling(recordURL(kind, id)), ignored);
    }
}

} // namespace snipstack
