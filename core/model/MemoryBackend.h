#pragma once

#include "core/model/HistoryBackend.h"

#include <map>

namespace snipstack {

// Keeps the history in this process only; nothing survives it.
class MemoryBackend final : public HistoryBackend {
public:
    std::vector<ClipItem> loadItems() override;
    void saveItem(const ClipItem& item) override;
    void savePayload(const ClipPayload& payload, const std::optional<Bytes>& thumbnail,
                     const Uuid& id) override;
    void saveThumbnail(const Bytes& data, const Uuid& id) override;
    ClipPayload loadPayload(const Uuid& id) override;
    std::optional<Bytes> loadThumbnail(const Uuid& id) override;
    void deleteItem(const Uuid& id) noexcept override;

    const std::map<Uuid, ClipItem>& items() const { return items_; }
    const std::map<Uuid, ClipPayload>& payloads() const { return payloads_; }
    const std::map<Uuid, Bytes>& thumbnails() const { return thumbnails_; }

private:
    std::map<Uuid, ClipItem> items_;
    std::map<Uuid, ClipPayload> payloads_;
    std::map<Uuid, Bytes> thumbnails_;
};

} // namespace snipstack
