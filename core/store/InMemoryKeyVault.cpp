#include "core/store/InMemoryKeyVault.h"

namespace snipstack {

void InMemoryKeyVault::store(const SymmetricKey& key, const std::string& id, bool) {
    std::lock_guard guard(lock_);
    keys_.insert_or_assign(id, key);
}

std::optional<SymmetricKey> InMemoryKeyVault::load(const std::string& id) {
    std::lock_guard guard(lock_);
    auto found = keys_.find(id);
    return found == keys_.end() ? std::nullopt : std::optional<SymmetricKey>(found->second);
}

void InMemoryKeyVault::deleteKey(const std::string& id) {
    std::lock_guard guard(lock_);
    keys_.erase(id);
}

std::set<std::string> InMemoryKeyVault::ids() const {
    std::lock_guard guard(lock_);
    std::set<std::string> result;
    for (const auto& [id, key] : keys_) {
        result.insert(id);
    }
    return result;
}

} // namespace snipstack
