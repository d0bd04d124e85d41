#include "core/model/MemoryBackend.h"

#include "core/store/StoreError.h"

namespace snipstack {

std::vector<ClipItem> MemoryBackend::loadItems() {
    std::vector<ClipItem> result;
    result.reserve(items_.size());
    for (const auto& [id, item] : items_) {
        result.push_back(item);
    }
    return result;
}

void MemoryBackend::saveItem(const ClipItem& item) {
    items_.insert_or_assign(item.id, item);
}

void MemoryBackend::savePayload(const ClipPayload& payload, const std::optional<Bytes>& thumbnail,
                                const Uuid& id) {
    payloads_.insert_or_assign(id, payload);
    if (thumbnail) {
        thumbnails_.insert_or_assign(id, *thumbnail);
    } else {
        thumbnails_.erase(id);
    }
}

void MemoryBackend::saveThumbnail(const Bytes& data, const Uuid& id) {
    thumbnails_.insert_or_assign(id, data);
}

ClipPayload MemoryBackend::loadPayload(const Uuid& id) {
    auto found = payloads_.find(id);
    if (found == payloads_.end()) {
        throw StoreError::missingRecord();
    }
    return found->second;
}

std::optional<Bytes> MemoryBackend::loadThumbnail(const Uuid& id) {
    auto found = thumbnails_.find(id);
    return found == thumbnails_.end() ? std::nullopt : std::optional<Bytes>(found->second);
}

void MemoryBackend::deleteItem(const Uuid& id) noexcept {
    items_.erase(id);
    payloads_.erase(id);
    thumbnails_.erase(id);
}

} // namespace snipstack
