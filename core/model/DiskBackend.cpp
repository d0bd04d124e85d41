#include "core/model/DiskBackend.h"

#include "core/model/ClipCoding.h"
#include "core/store/CryptoError.h"
#include "core/store/StoreError.h"

namespace snipstack {

std::vector<ClipItem> DiskBackend::loadItems() {
    const std::set<Uuid> blobIDs = store_.ids(RecordKind::blob);
    const std::set<Uuid> metaIDs = store_.ids(RecordKind::meta);
    std::vector<ClipItem> items;
    std::set<Uuid> damaged;
    std::size_t opened = 0;
    std::size_t rejected = 0;
    for (const Uuid& id : metaIDs) {
        if (!blobIDs.contains(id)) {
            damaged.insert(id);
            continue;
        }
        try {
            const Bytes plaintext = store_.read(RecordKind::meta, id);
            ++opened;
            ClipItem item = decodeClipItem(viewOf(plaintext));
            // An entry filed under another id would show without its payload.
            if (item.id != id) {
                damaged.insert(id);
                continue;
            }
            items.push_back(std::move(item));
        } catch (const CryptoError& error) {
            rejected += error.code() == CryptoError::Code::authenticationFailure;
            damaged.insert(id);
        } catch (const DecodingError&) {
            damaged.insert(id);
        } catch (const StoreError&) {
            damaged.insert(id);
        }
    }
    // A store opened with the wrong key fails authentication on every record. Repairing then would
    // delete the whole history, and attaching it would seal new entries under the wrong key until one
    // of them opened and so let repair go ahead: the load fails instead, touching nothing.
    if (opened == 0 && rejected > 0) {
        throw CryptoError(CryptoError::Code::authenticationFailure);
    }
    for (const Uuid& id : damaged) {
        store_.deleteRecords(id);
    }
    for (const Uuid& id : blobIDs) {
        if (!metaIDs.contains(id)) {
            store_.deleteRecords(id);
        }
    }
    return items;
}

void DiskBackend::saveItem(const ClipItem& item) {
    const Bytes encoded = encodeClipItem(item);
    store_.write(viewOf(encoded), RecordKind::meta, item.id);
}

void DiskBackend::savePayload(const ClipPayload& payload, const std::optional<Bytes>& thumbnail,
                              const Uuid& id) {
    const Bytes encoded = encodeClipPayload(payload);
    store_.write(viewOf(encoded), RecordKind::blob, id);
    if (thumbnail) {
        store_.write(viewOf(*thumbnail), RecordKind::thumb, id);
    }
}

void DiskBackend::saveThumbnail(const Bytes& data, const Uuid& id) {
    store_.write(viewOf(data), RecordKind::thumb, id);
}

ClipPayload DiskBackend::loadPayload(const Uuid& id) {
    const Bytes plaintext = store_.read(RecordKind::blob, id);
    return decodeClipPayload(viewOf(plaintext));
}

std::optional<Bytes> DiskBackend::loadThumbnail(const Uuid& id) {
    try {
        return store_.read(RecordKind::thumb, id);
    } catch (...) {
        return std::nullopt;
    }
}

void DiskBackend::deleteItem(const Uuid& id) noexcept {
    store_.deleteRecords(id);
}

} // namespace snipstack
