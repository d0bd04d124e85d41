#pragma once

#include "core/store/SymmetricKey.h"

#include <optional>
#include <string>

namespace snipstack {

// Keeps store keys under their key IDs, apart from the stores. A vault returns exactly the bytes
// it was given.
class KeyVault {
public:
    virtual ~KeyVault() = default;

    // `requireAuthentication` asks that every later load needs the user's presence. Throws on failure.
    virtual void store(const SymmetricKey& key, const std::string& id, bool requireAuthentication) = 0;
    // Nothing when no key is kept under `id`; throws when the vault fails or the user refuses.
    virtual std::optional<SymmetricKey> load(const std::string& id) = 0;
    virtual void deleteKey(const std::string& id) = 0;
};

} // namespace snipstack
