#pragma once

#include "core/store/KeyVault.h"

#include <map>
#include <mutex>
#include <set>

namespace snipstack {

// Keys for the life of the process. Ignores requireAuthentication and never throws; safe to use
// from several threads, since a rotation runs in the background.
class InMemoryKeyVault final : public KeyVault {
public:
    void store(const SymmetricKey& key, const std::string& id, bool requireAuthentication) override;
    std::optional<SymmetricKey> load(const std::string& id) override;
    void deleteKey(const std::string& id) override;

    std::set<std::string> ids() const;

private:
    mutable std::mutex lock_;
    std::map<std::string, SymmetricKey> keys_;
};

} // namespace snipstack
