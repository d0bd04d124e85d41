#include "core/model/History.h"
#include "core/values/ByteSearch.h"
#include "core/values/UnicodeText.h"

#include <unordered_set>

namespace snipstack {

std::vector<ClipItem> History::search(std::string_view query) {
    std::vector<std::string> words;
    for (const auto& word : unicode::splitAtWhitespace(query)) {
        std::string folded = unicode::foldForSearch(word);
        if (!folded.empty()) {
            words.push_back(std::move(folded));
        }
    }
    if (words.empty()) {
        return items_;
    }
    // Longer words rule entries out sooner.
    std::sort(words.begin(), words.end(), [](const auto& a, const auto& b) { return a.size() > b.size(); });

    if (searchKeys_.size() > 2 * items_.size() + 64) {
        pruneSearchKeys();
    }

    const bool reuse = keysInOrder_.size() == items_.size();
    if (!reuse) {
        keysInOrder_.assign(items_.size(), {});
    }
    std::vector<ClipItem> matches;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const ClipItem& item = items_[i];
        auto& cached = keysInOrder_[i];
        if (!reuse || cached.first != item.id) {
            cached = {item.id, searchKey(item)};
        }
        const std::string_view key = cached.second;
        bool all = std::all_of(words.begin(), words.end(),
                               [&](const std::string& word) { return containsBytes(key, word); });
        if (all) {
            matches.push_back(item);
        }
    }
    return matches;
}

std::string_view History::searchKey(const ClipItem& item) {
    auto cached = searchKeys_.find(item.id);
    if (cached != searchKeys_.end()) {
        return cached->second;
    }
    // Words never hold a line feed, so none can match across the joins.
    std::string joined;
    joined.reserve(item.text.size() + 2);
    joined += item.text;
    joined += '\n';
    joined += item.ocrText.value_or("");
    joined += '\n';
    joined += item.sourceAppName.value_or("");
    return searchKeys_.emplace(item.id, unicode::foldForSearch(joined)).first->second;
}

void History::forgetSearchKey(const Uuid& id) {
    if (searchKeys_.erase(id) > 0) {
        keysInOrder_.clear();
    }
}

void History::pruneSearchKeys() {
    keysInOrder_.clear();
    std::unordered_set<Uuid> live;
    live.reserve(items_.size());
    for (const auto& item : items_) {
        live.insert(item.id);
    }
    std::erase_if(searchKeys_, [&](const auto& entry) { return !live.contains(entry.first); });
}

} // namespace snipstack
