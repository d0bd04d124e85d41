#include "app/system/keyring/KeychainKeyVault.h"

#include "app/system/LogCategories.h"
#include "app/system/keyring/KeyringSession.h"

namespace snipstack {

KeychainKeyVault::KeychainKeyVault(std::string service) : service_(std::move(service)) {}

void KeychainKeyVault::store(const SymmetricKey& key, const std::string& id, bool requireAuthentication) {
    KeyringSession keyring;
    // The Secret Service would silently replace an item with the same attributes.
    if (keyring.search(service_, id)) {
        throw KeychainError(KeychainError::duplicateItem);
    }
    if (!requireAuthentication) {
        keyring.store(service_, id, key, SECRET_COLLECTION_DEFAULT);
        return;
    }
    const ObjectPtr<SecretCollection> collection = keyring.protectedCollection(true);
    keyring.relockOnExit(collection.get());
    keyring.unlockProtected(collection.get());
    keyring.store(service_, id, key, pathOf(collection.get()).c_str());
}

std::optional<SymmetricKey> KeychainKeyVault::load(const std::string& id) {
    KeyringSession keyring;
    const ObjectList items = keyring.search(service_, id);
    if (!items) {
        return std::nullopt;
    }
    auto* item = SECRET_ITEM(items->data);
    keyring.open(item, true);
    return keyring.secretOf(item);
}

void KeychainKeyVault::deleteKey(const std::string& id) {
    // A key that cannot be deleted stays in the keyring unreferenced; deleting never fails.
    try {
        KeyringSession keyring;
        const ObjectList items = keyring.search(service_, id);
        for (GList* entry = items.get(); entry; entry = entry->next) {
            // A locked collection keeps its items, so a protected key is unlocked (prompting) first.
            try {
                keyring.open(SECRET_ITEM(entry->data), false);
            } catch (const KeychainError& error) {
                qCWarning(keyringLog, "A store key is left in its locked collection: %s", error.what());
                continue;
            }
            keyring.remove(SECRET_ITEM(entry->data));
        }
    } catch (const KeychainError& error) {
        qCWarning(keyringLog, "A store key could not be deleted: %s", error.what());
    }
}

bool KeychainKeyVault::itemExists(const std::string& id, bool inDataProtectionStore) const {
    if (!inDataProtectionStore) {
        return false;
    }
    try {
        KeyringSession keyring;
        return keyring.search(service_, id) != nullptr;
    } catch (const KeychainError& error) {
        qCWarning(keyringLog, "The keyring could not be searched: %s", error.what());
        return false;
    }
}

} // namespace snipstack
