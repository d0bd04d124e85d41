#pragma once

#include "core/model/ClipItem.h"
#include "core/model/ClipPayload.h"

#include <optional>
#include <vector>

namespace snipstack {

// Where a history keeps its entries, payloads and thumbnails. Failures are thrown as the
// backend's own errors and reach the history's caller unchanged.
class HistoryBackend {
public:
    virtual ~HistoryBackend() = default;

    // Every entry, in no particular order. Unreadable records are dealt with inside the backend.
    virtual std::vector<ClipItem> loadItems() = 0;
    // Replaces any entry with the same id.
    virtual void saveItem(const ClipItem& item) = 0;
    virtual void savePayload(const ClipPayload& payload, const std::optional<Bytes>& thumbnail,
                             const Uuid& id) = 0;
    virtual void saveThumbnail(const Bytes& data, const Uuid& id) = 0;
    // Throws StoreError::missingRecord when there is no payload for `id`.
    virtual ClipPayload loadPayload(const Uuid& id) = 0;
    // Absent when missing or unreadable.
    virtual std::optional<Bytes> loadThumbnail(const Uuid& id) = 0;
    // Removes entry, payload and thumbnail. Clean-up never reports errors.
    virtual void deleteItem(const Uuid& id) noexcept = 0;
};

} // namespace snipstack
