#pragma once

#include "core/store/KeyVault.h"

#include <string>

namespace snipstack {

// Keeps store keys in the desktop keyring through the Secret Service (libsecret), never anywhere
// else. Keys that require authentication live in a separate "Snipstack" collection that each load
// locks, unlocks and locks again, so each load asks for that collection's password; a password the
// keyring offers to remember for it is forgotten. Calls block while the keyring prompts, so run them
// off the user-interface thread.
class KeychainKeyVault final : public KeyVault {
public:
    static constexpr const char* storeKeyService = "com.orvend.snipstack.store-key";

    explicit KeychainKeyVault(std::string service = storeKeyService);

    void store(const SymmetricKey& key, const std::string& id, bool requireAuthentication) override;
    std::optional<SymmetricKey> load(const std::string& id) override;
    void deleteKey(const std::string& id) override;

    // The desktop has a single key store, so protected keys always have somewhere to go.
    bool isDataProtectionStoreAvailable() const { return true; }
    // Asks the keyring without prompting; false when it cannot be asked.
    bool itemExists(const std::string& id, bool inDataProtectionStore) const;

private:
    std::string service_;
};

} // namespace snipstack
