#include <unordered_set>

#include "core/model/History.h"
#include "core/values/ByteSearch.h"
#include "core/values/UnicodeText.h"

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

    std::vector<ClipItem> matches;
    for (const auto& item : items_) {
        const std::string& key = searchKey(item);
        bool all = std::all_of(words.begin(), words.end(),
                               [&](const std::string& word) { return containsBytes(key, word); });
        if (all) {
            matches.push_back(item);
        }
    }
    return matches;
}

const std::string& History::searchKey(const ClipItem& item) {
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

void History::pruneSearchKeys() {
    std::unordered_set<Uuid> live;
    live.reserve(items_.size());
    for (const auto& item : items_) {
        live.insert(item.id);
    }
    std::erase_if(searchKeys_, [&](const auto& entry) { return !live.contains(entry.first); });
}

} // namespace snipstack
