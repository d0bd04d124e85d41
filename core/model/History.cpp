#include "core/model/History.h"

#include "core/values/UnicodeText.h"

#include <algorithm>
#include <unordered_set>

namespace snipstack {

namespace {

int clampMaxItems(int maxItems) {
    return std::clamp(maxItems, History::minItems, History::maxItemsLimit);
}

} // namespace

History::History(std::shared_ptr<HistoryBackend> backend, int maxItems)
    : limitPolicy_(std::make_shared<UnrestrictedLimitPolicy>()), maxItems_(clampMaxItems(maxItems)),
      backend_(std::move(backend)) {
    items_ = backend_->loadItems();
    std::stable_sort(items_.begin(), items_.end(),
                     [](const ClipItem& a, const ClipItem& b) { return a.lastUsedAt > b.lastUsedAt; });
    applyCountLimit();
}

void History::setMaxItems(int maxItems) {
    maxItems_ = clampMaxItems(maxItems);
    applyCountLimit();
}

void History::setLimitPolicy(std::shared_ptr<const HistoryLimitPolicy> policy) {
    limitPolicy_ = std::move(policy);
}

void History::setBackend(std::shared_ptr<HistoryBackend> backend) {
    backend_ = std::move(backend);
}

std::vector<ClipItem>::iterator History::find(const Uuid& id) {
    return std::find_if(items_.begin(), items_.end(), [&](const ClipItem& item) { return item.id == id; });
}

ClipItem History::add(const ClipDraft& draft, Date now) {
    auto duplicate = std::find_if(items_.begin(), items_.end(), [&](const ClipItem& item) {
        return item.kind == draft.kind && item.contentHash == draft.contentHash;
    });
    if (duplicate != items_.end()) {
        moveToTop(duplicate->id, now);
        return items_.front();
    }

    ClipItem item;
    item.id = Uuid::random();
    item.createdAt = now;
    item.lastUsedAt = now;
    item.kind = draft.kind;
    item.text = unicode::prefixOfCharacters(draft.text, maxTextCharacters);
    item.sourceAppName = draft.sourceAppName;
    item.sourceBundleID = draft.sourceBundleID;
    item.contentHash = draft.contentHash;
    item.byteCount = draft.payload.byteCount();
    item.imageWidth = draft.imageWidth;
    item.imageHeight = draft.imageHeight;

    // Payload before metadata: a crash in between leaves a payload without an entry, which the
    // disk backend removes at its next load, never an entry without its payload.
    backend_->savePayload(draft.payload, draft.thumbnail, item.id);
    backend_->saveItem(item);

    items_.insert(items_.begin(), item);
    applyCountLimit();
    return item;
}

void History::moveToTop(const Uuid& id, Date now) {
    auto entry = find(id);
    if (entry == items_.end()) {
        return;
    }
    std::rotate(items_.begin(), entry, entry + 1);
    items_.front().lastUsedAt = now;
    backend_->saveItem(items_.front());
}

void History::setPinned(bool pinned, const Uuid& id) {
    auto entry = find(id);
    if (entry != items_.end()) {
        entry->isPinned = pinned;
        forgetSearchKey(id);
        backend_->saveItem(*entry);
    }
    applyCountLimit();
}

void History::setOCRText(std::string_view text, const Uuid& id) {
    auto entry = find(id);
    if (entry == items_.end()) {
        return;
    }
    entry->ocrText = unicode::prefixOfCharacters(text, maxTextCharacters);
    forgetSearchKey(id);
    backend_->saveItem(*entry);
}

void History::setRichPreview(const std::optional<Bytes>& image, const Uuid& id) {
    auto entry = find(id);
    if (entry == items_.end()) {
        return;
    }
    if (image) {
        backend_->saveThumbnail(*image, id);
    }
    entry->hasRichPreview = image.has_value();
    forgetSearchKey(id);
    backend_->saveItem(*entry);
}

void History::deleteItem(const Uuid& id) {
    std::erase_if(items_, [&](const ClipItem& item) { return item.id == id; });
    backend_->deleteItem(id);
}

void History::clear(bool keepPinned) {
    auto removed = [&](const ClipItem& item) { return !keepPinned || !item.isPinned; };
    for (const auto& item : items_) {
        if (removed(item)) {
            backend_->deleteItem(item.id);
        }
    }
    std::erase_if(items_, removed);
}

int History::expire(Date cutoff) {
    std::vector<Uuid> expired;
    for (const auto& item : items_) {
        if (!item.isPinned && item.lastUsedAt < cutoff) {
            expired.push_back(item.id);
        }
    }
    if (expired.empty()) {
        return 0;
    }
    std::unordered_set<Uuid> gone(expired.begin(), expired.end());
    std::erase_if(items_, [&](const ClipItem& item) { return gone.contains(item.id); });
    for (const auto& id : expired) {
        backend_->deleteItem(id);
    }
    return static_cast<int>(expired.size());
}

ClipPayload History::payload(const Uuid& id) const {
    return backend_->loadPayload(id);
}

std::optional<Bytes> History::thumbnail(const Uuid& id) const {
    return backend_->loadThumbnail(id);
}

void History::migrate(std::shared_ptr<HistoryBackend> newBackend) {
    for (const auto& item : items_) {
        ClipPayload payload = backend_->loadPayload(item.id);
        std::optional<Bytes> thumbnail = backend_->loadThumbnail(item.id);
        newBackend->savePayload(payload, thumbnail, item.id);
        newBackend->saveItem(item);
    }
    backend_ = std::move(newBackend);
}

void History::applyCountLimit() {
    const auto limit = static_cast<std::size_t>(std::max(0, limitPolicy_->effectiveLimit(maxItems_)));
    std::vector<Uuid> excess;
    std::size_t unpinned = 0;
    for (const auto& item : items_) {
        if (!item.isPinned && ++unpinned > limit) {
            excess.push_back(item.id);
        }
    }
    if (excess.empty()) {
        return;
    }
    std::unordered_set<Uuid> gone(excess.begin(), excess.end());
    std::erase_if(items_, [&](const ClipItem& item) { return gone.contains(item.id); });
    for (const auto& id : excess) {
        backend_->deleteItem(id);
    }
}

} // namespace snipstack
