#pragma once

#include "core/model/HistoryBackend.h"
#include "core/store/DiskStore.h"

namespace snipstack {

// Keeps the history in an encrypted store: per entry a meta record (the entry), a blob record
// (the payload) and optionally a thumb record. No cache: every call goes to disk.
class DiskBackend final : public HistoryBackend {
public:
    explicit DiskBackend(DiskStore store) : store_(std::move(store)) {}

    const DiskStore& store() const { return store_; }

    // Loads every complete entry and deletes the records of incomplete or damaged ones. Throws
    // CryptoError::authenticationFailure, deleting nothing, when records fail authentication and
    // none opens: the key is not this store's.
    std::vector<ClipItem> loadItems() override;
    void saveItem(const ClipItem& item) override;
    // The blob record first, then the thumb record when a thumbnail is given; without one an
    // older thumb record stays.
    void savePayload(const ClipPayload& payload, const std::optional<Bytes>& thumbnail,
                     const Uuid& id) override;
    void saveThumbnail(const Bytes& data, const Uuid& id) override;
    ClipPayload loadPayload(const Uuid& id) override;
    std::optional<Bytes> loadThumbnail(const Uuid& id) override;
    void deleteItem(const Uuid& id) noexcept override;

private:
    DiskStore store_;
};

} // namespace snipstack
