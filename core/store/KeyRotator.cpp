#include "core/store/KeyRotator.h"

#include "core/store/StoreFiles.h"
#include "core/values/Sha256.h"

#include <algorithm>
#include <openssl/crypto.h>

namespace snipstack {

namespace fs = std::filesystem;

namespace {

// Records are handled one at a time and their plaintext is wiped before the buffer is freed.
struct Plaintext {
    Bytes bytes;
    ~Plaintext() {
        if (!bytes.empty()) {
            OPENSSL_cleanse(bytes.data(), bytes.size());
        }
    }
};

Bytes plaintextDigest(const DiskStore& store, RecordKind kind, const Uuid& id) {
    const Plaintext plaintext{store.read(kind, id)};
    return sha256(viewOf(plaintext.bytes));
}

} // namespace

DiskStore KeyRotator::rotate(const StoreLayout& layout, KeyVault& vault, const DiskStore& current,
                             bool requireAuthentication, std::optional<Cipher> cipher, Date now) const {
    const Cipher newCipher = cipher.value_or(current.manifest().cipher);
    const SymmetricKey newKey = makeKey(newCipher);
    const std::string newKeyID = Uuid::random().string();
    const std::string newStoreID = Uuid::random().string();
    const StoreManifest manifest{1, newStoreID, newKeyID, now, newCipher};
    const fs::path directory = layout.storeDirectory(newStoreID);

    // A failure here leaves a half-made folder without a key for the next recover() to remove.
    for (RecordKind kind : allRecordKinds) {
        createPrivateDirectories(directory / rawValue(kind));
    }
    const Bytes encodedManifest = manifest.encode();
    writeAtomically(viewOf(encodedManifest), directory / "manifest");
    const DiskStore fresh(directory, manifest, Sealer(newKey, newStoreID, newCipher));

    auto abort = [&] {
        wipe(directory);
        try {
            vault.deleteKey(newKeyID);
        } catch (...) {
        }
    };

    std::optional<DiskStore> reopened;
    try {
        vault.store(newKey, newKeyID, requireAuthentication);
        hook(RotationStage::keyStored);

        for (RecordKind kind : allRecordKinds) {
            for (const Uuid& id : current.ids(kind)) {
                const Plaintext plaintext{current.read(kind, id)};
                const Bytes sealed = fresh.sealer().seal(viewOf(plaintext.bytes), kind, id);
                writeAtomically(viewOf(sealed), fresh.recordURL(kind, id));
            }
        }
        hook(RotationStage::copied);

        const auto loadedKey = vault.load(newKeyID);
        if (!loadedKey) {
            throw RotationError::keyRoundTripFailed();
        }
        reopened = DiskStore::open(layout, newStoreID, *loadedKey);
        verify(current, *reopened);
        hook(RotationStage::verified);

        layout.setCurrent(reopened->manifest().storeID);
    } catch (...) {
        abort();
        throw;
    }

    try {
        hook(RotationStage::pointerFlipped);
    } catch (...) {
        // The new store is live and complete; the next recover() removes the old one.
        return *reopened;
    }
    // The key goes first: the wipe destroys the manifest that names it, and a crash after that
    // would leave a key nobody can find any more.
    try {
        vault.deleteKey(current.manifest().keyID);
    } catch (...) {
    }
    wipe(current.directory());
    return *reopened;
}

void KeyRotator::verify(const DiskStore& oldStore, const DiskStore& newStore) {
    for (RecordKind kind : allRecordKinds) {
        const std::set<Uuid> ids = oldStore.ids(kind);
        if (ids != newStore.ids(kind)) {
            throw RotationError::verificationFailed(std::string(rawValue(kind)) + " record count differs");
        }
        for (const Uuid& id : ids) {
            if (plaintextDigest(oldStore, kind, id) != plaintextDigest(newStore, kind, id)) {
                throw RotationError::verificationFailed(std::string(rawValue(kind)) + " " + id.string() +
                                                        " differs");
            }
        }
    }
}

void KeyRotator::recover(const StoreLayout& layout, KeyVault& vault) noexcept {
    try {
        const std::vector<std::string> ids = layout.storeIDs();
        std::optional<std::string> live;
        const auto pointer = layout.currentStoreID();
        if (pointer && std::find(ids.begin(), ids.end(), *pointer) != ids.end()) {
            live = pointer;
        } else {
            std::optional<Date> newest;
            for (const auto& id : ids) {
                const auto manifest = layout.manifest(id);
                if (manifest && (!newest || manifest->createdAt > *newest)) {
                    newest = manifest->createdAt;
                    live = id;
                }
            }
            if (live) {
                try {
                    layout.setCurrent(*live);
                } catch (...) {
                }
            }
        }
        // Nothing writes yet, so temporary files of writes cut short by a crash can go.
        removeStaleTemporaryFiles(layout.base());
        if (live) {
            const fs::path directory = layout.storeDirectory(*live);
            removeStaleTemporaryFiles(directory);
            for (RecordKind kind : allRecordKinds) {
                removeStaleTemporaryFiles(directory / rawValue(kind));
            }
        }
        // A copied folder may name the live store's key; that key must survive.
        const auto liveManifest = live ? layout.manifest(*live) : std::nullopt;
        for (const auto& id : ids) {
            if (live && id == *live) {
                continue;
            }
            const auto manifest = layout.manifest(id);
            if (manifest && (!liveManifest || manifest->keyID != liveManifest->keyID)) {
                try {
                    vault.deleteKey(manifest->keyID);
                } catch (...) {
                }
            }
            wipe(layout.storeDirectory(id));
        }
    } catch (...) {
        // Recovery reports nothing; whatever it could not settle is tried again at the next start.
    }
}

} // namespace snipstack
