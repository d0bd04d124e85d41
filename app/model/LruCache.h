#pragma once

#include <cstddef>
#include <functional>
#include <list>
#include <unordered_map>
#include <utility>

namespace snipstack {

// A map that holds at most `maxCost` worth of values and drops the least recently used first when
// a new value needs room. The owner measures each value's cost in any unit it likes: bytes of a
// decoded image, or 1 per entry for a count bound. Not thread-safe.
template <typename Key, typename Value, typename Hash = std::hash<Key>> class LruCache {
public:
    explicit LruCache(std::size_t maxCost) : maxCost_(maxCost) {}

    std::size_t maxCost() const { return maxCost_; }
    std::size_t totalCost() const { return totalCost_; }
    std::size_t size() const { return index_.size(); }
    bool contains(const Key& key) const { return index_.contains(key); }

    // The value under `key`, which becomes the most recently used; null when there is none. The
    // pointer lasts until the next insert, erase or clear.
    const Value* find(const Key& key) {
        const auto found = index_.find(key);
        if (found == index_.end()) {
            return nullptr;
        }
        entries_.splice(entries_.begin(), entries_, found->second);
        return &found->second->value;
    }

    // Keeps `value` under `key` as the most recently used, replacing what was there, then drops the
    // least recently used until the total is within the bound. A value that alone costs more than
    // the bound is not kept: it would only push out everything else.
    void insert(const Key& key, Value value, std::size_t cost) {
        erase(key);
        if (cost > maxCost_) {
            return;
        }
        entries_.push_front(Entry{key, std::move(value), cost});
        index_.emplace(key, entries_.begin());
        totalCost_ += cost;
        while (totalCost_ > maxCost_) {
            dropLeastRecentlyUsed();
        }
    }

    void erase(const Key& key) {
        const auto found = index_.find(key);
        if (found == index_.end()) {
            return;
        }
        totalCost_ -= found->second->cost;
        entries_.erase(found->second);
        index_.erase(found);
    }

    void clear() {
        index_.clear();
        entries_.clear();
        totalCost_ = 0;
    }

private:
    struct Entry {
        Key key;
        Value value;
        std::size_t cost;
    };

    void dropLeastRecentlyUsed() {
        const Entry& last = entries_.back();
        totalCost_ -= last.cost;
        index_.erase(last.key);
        entries_.pop_back();
    }

    std::size_t maxCost_;
    std::size_t totalCost_ = 0;
    // Most recently used first.
    std::list<Entry> entries_;
    std::unordered_map<Key, typename std::list<Entry>::iterator, Hash> index_;
};

} // namespace snipstack
