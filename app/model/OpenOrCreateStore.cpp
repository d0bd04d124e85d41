#include "app/model/OpenOrCreateStore.h"

#include "app/system/LogCategories.h"
#include "core/store/StoreFiles.h"
#include "core/values/Uuid.h"

namespace snipstack {

DiskStore openOrCreateStore(const StoreLayout& layout, KeyVault& vault, Cipher cipher, bool requireAuth,
                            Date now) {
    if (const auto id = layout.currentStoreID()) {
        if (const auto manifest = layout.manifest(*id)) {
            if (const auto key = vault.load(manifest->keyID)) {
                return DiskStore::open(layout, *id, *key);
            }
            wipe(layout.storeDirectory(*id));
            layout.clearCurrent();
        }
    }

    const SymmetricKey key = makeKey(cipher);
    const std::string keyID = Uuid::random().string();
    DiskStore store = DiskStore::create(layout, key, keyID, cipher, now);
    try {
        vault.store(key, keyID, requireAuth);
        layout.setCurrent(store.manifest().storeID);
    } catch (...) {
        wipe(store.directory());
        try {
            vault.deleteKey(keyID);
        } catch (const std::exception& error) {
            // The key may never have been stored; either way nothing else can be done here.
            qCWarning(keyringLog, "The key of an unfinished store stays in the keyring: %s", error.what());
        }
        throw;
    }
    return store;
}

} // namespace snipstack
