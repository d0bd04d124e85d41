#pragma once

#include "core/model/ClipDraft.h"
#include "core/model/ClipItem.h"
#include "core/model/HistoryBackend.h"
#include "core/model/HistoryLimitPolicy.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace snipstack {

// The ordered clipboard history, most recently used first. It keeps nothing itself: every change
// is handed to the backend before the operation returns. Backend errors reach the caller
// unchanged and in-memory changes made before them stand. Not thread-safe; one owner calls it.
class History {
public:
    static constexpr int minItems = 1;
    static constexpr int maxItemsLimit = 5000;
    static constexpr int defaultMaxItems = 500;
    // Entry texts and recognised texts are cut to this many user-perceived characters.
    static constexpr std::size_t maxTextCharacters = 100'000;

    // Loads every entry from the backend, newest first, and applies the count limit.
    History(std::shared_ptr<HistoryBackend> backend, int maxItems);

    const std::vector<ClipItem>& items() const { return items_; }

    int maxItems() const { return maxItems_; }
    // Clamps to 1...5000, then applies the count limit.
    void setMaxItems(int maxItems);

    const HistoryLimitPolicy& limitPolicy() const { return *limitPolicy_; }
    // Does not re-apply the limit by itself.
    void setLimitPolicy(std::shared_ptr<const HistoryLimitPolicy> policy);

    const std::shared_ptr<HistoryBackend>& backend() const { return backend_; }
    // Only swaps the reference, for when the same data now lives elsewhere.
    void setBackend(std::shared_ptr<HistoryBackend> backend);

    // Records a capture; a duplicate (same kind and content hash) moves to the top instead.
    // Returns the entry now at the top.
    ClipItem add(const ClipDraft& draft, Date now);
    void moveToTop(const Uuid& id, Date now);
    void setPinned(bool pinned, const Uuid& id);
    void setOCRText(std::string_view text, const Uuid& id);
    void setRichPreview(const std::optional<Bytes>& image, const Uuid& id);
    void deleteItem(const Uuid& id);
    void clear(bool keepPinned);
    // Removes unpinned entries last used strictly before `cutoff`; returns how many.
    int expire(Date cutoff);

    ClipPayload payload(const Uuid& id) const;
    std::optional<Bytes> thumbnail(const Uuid& id) const;

    // Copies everything into `newBackend` and switches to it; on failure the old backend stays.
    void migrate(std::shared_ptr<HistoryBackend> newBackend);

    // Entries whose text, recognised text or source application name contains every word of the
    // query, ignoring case and accents, in history order.
    std::vector<ClipItem> search(std::string_view query);

    // Cached search keys by entry id; exposed for inspection.
    const std::unordered_map<Uuid, std::string>& searchKeys() const { return searchKeys_; }

private:
    std::vector<ClipItem>::iterator find(const Uuid& id);
    void applyCountLimit();
    std::string_view searchKey(const ClipItem& item);
    void forgetSearchKey(const Uuid& id);
    void pruneSearchKeys();

    std::vector<ClipItem> items_;
    std::shared_ptr<const HistoryLimitPolicy> limitPolicy_;
    int maxItems_;
    std::shared_ptr<HistoryBackend> backend_;
    std::unordered_map<Uuid, std::string> searchKeys_;
    // The keys of `items_` in order, as of the last search, so a search on every keystroke skips
    // the map lookups while the list is unchanged. Entries are checked by id before use, and the
    // whole list is dropped whenever a key leaves `searchKeys_`, so no view outlives its key.
    std::vector<std::pair<Uuid, std::string_view>> keysInOrder_;
};

} // namespace snipstack
