#include "app/system/KeychainKeyVault.h"

#include "app/system/KeychainError.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <libsecret/secret.h>
#include <memory>
#include <mutex>
#include <span>
#include <stop_token>
#include <string_view>
#include <thread>

namespace snipstack {

namespace {

constexpr const char* protectedCollectionLabel = "Snipstack";
constexpr const char* itemLabel = "Snipstack store key";
// Long enough to type a keyring password; a prompt left unanswered longer counts as refused.
constexpr std::chrono::minutes operationLimit{2};

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T> using ObjectPtr = std::unique_ptr<T, ObjectUnref>;

struct ObjectListFree {
    void operator()(GList* list) const { g_list_free_full(list, g_object_unref); }
};
using ObjectList = std::unique_ptr<GList, ObjectListFree>;

struct AttributesUnref {
    void operator()(GHashTable* attributes) const { g_hash_table_unref(attributes); }
};
struct ValueUnref {
    void operator()(SecretValue* value) const { secret_value_unref(value); }
};

const SecretSchema* storeKeySchema() {
    static const SecretSchema schema = [] {
        SecretSchema result{};
        result.name = "com.orvend.snipstack.store-key";
        result.flags = SECRET_SCHEMA_NONE;
        result.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
        result.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return result;
    }();
    return &schema;
}

std::unique_ptr<GHashTable, AttributesUnref> attributesFor(const std::string& service,
                                                           const std::string& id) {
    return std::unique_ptr<GHashTable, AttributesUnref>(secret_attributes_build(
        storeKeySchema(), "service", service.c_str(), "account", id.c_str(), nullptr));
}

// Takes ownership of `error`.
KeychainError keychainError(GError* error) {
    const std::unique_ptr<GError, decltype(&g_error_free)> owned(error, g_error_free);
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED) ||
        g_error_matches(error, SECRET_ERROR, SECRET_ERROR_IS_LOCKED)) {
        return KeychainError(KeychainError::userCanceled);
    }
    if (g_error_matches(error, SECRET_ERROR, SECRET_ERROR_NO_SUCH_OBJECT)) {
        return KeychainError(KeychainError::itemNotFound);
    }
    if (g_error_matches(error, SECRET_ERROR, SECRET_ERROR_ALREADY_EXISTS)) {
        return KeychainError(KeychainError::duplicateItem);
    }
    return KeychainError(KeychainError::serviceFailure, error->message);
}

// A cancellable that fires once the operation outlives `operationLimit`, so a prompt nobody
// answers cannot hold the calling thread forever.
class Deadline {
public:
    Deadline()
        : cancellable_(g_cancellable_new()), watchdog_([this](std::stop_token stop) { watch(stop); }) {}

    GCancellable* cancellable() const { return cancellable_.get(); }

private:
    void watch(std::stop_token stop) {
        std::mutex mutex;
        std::condition_variable_any wake;
        std::unique_lock lock(mutex);
        wake.wait_for(lock, stop, operationLimit, [] { return false; });
        if (!stop.stop_requested()) {
            g_cancellable_cancel(cancellable_.get());
        }
    }

    ObjectPtr<GCancellable> cancellable_;
    std::jthread watchdog_;
};

bool liesIn(SecretItem* item, SecretCollection* collection) {
    const std::string prefix = std::string(g_dbus_proxy_get_object_path(G_DBUS_PROXY(collection))) + "/";
    return std::string_view(g_dbus_proxy_get_object_path(G_DBUS_PROXY(item))).starts_with(prefix);
}

void lockObject(SecretService* service, gpointer object) {
    const Deadline deadline;
    GList objects{object, nullptr, nullptr};
    secret_service_lock_sync(service, &objects, deadline.cancellable(), nullptr, nullptr);
}

// One operation's session with the Secret Service. A fresh session per operation keeps the vault
// stateless and survives a keyring daemon that restarted in between.
class Keyring {
public:
    Keyring() {
        GError* error = nullptr;
        service_.reset(secret_service_open_sync(
            SECRET_TYPE_SERVICE, nullptr,
            static_cast<SecretServiceFlags>(SECRET_SERVICE_OPEN_SESSION | SECRET_SERVICE_LOAD_COLLECTIONS),
            cancellable(), &error));
        if (!service_) {
            // Failing to reach the bus or the service's name means no keyring is running.
            const KeychainError failure = keychainError(error);
            throw failure.status() == KeychainError::userCanceled
                ? failure
                : KeychainError(KeychainError::notAvailable);
        }
    }

    Keyring(const Keyring&) = delete;
    Keyring& operator=(const Keyring&) = delete;

    ~Keyring() {
        if (relock_) {
            lockObject(service_.get(), relock_.get());
        }
    }

    // Every item stored under `id`, locked or not; never prompts.
    ObjectList search(const std::string& service, const std::string& id) {
        GError* error = nullptr;
        ObjectList items(secret_service_search_sync(service_.get(), storeKeySchema(),
                                                    attributesFor(service, id).get(), SECRET_SEARCH_ALL,
                                                    cancellable(), &error));
        if (error) {
            throw keychainError(error);
        }
        return items;
    }

    // The collection labelled "Snipstack", created (the keyring prompts for its new password) when
    // `create` is set and it is missing; otherwise null when missing.
    ObjectPtr<SecretCollection> protectedCollection(bool create) {
        const ObjectList collections(secret_service_get_collections(service_.get()));
        for (GList* entry = collections.get(); entry; entry = entry->next) {
            auto* collection = SECRET_COLLECTION(entry->data);
            const std::unique_ptr<gchar, decltype(&g_free)> label(secret_collection_get_label(collection),
                                                                  g_free);
            if (label && std::strcmp(label.get(), protectedCollectionLabel) == 0) {
                return ObjectPtr<SecretCollection>(SECRET_COLLECTION(g_object_ref(collection)));
            }
        }
        if (!create) {
            return nullptr;
        }
        GError* error = nullptr;
        ObjectPtr<SecretCollection> created(
            secret_collection_create_sync(service_.get(), protectedCollectionLabel, nullptr,
                                          SECRET_COLLECTION_CREATE_NONE, cancellable(), &error));
        if (!created) {
            throw keychainError(error);
        }
        return created;
    }

    // Locks `collection` when this session ends, whatever the outcome.
    void relockOnExit(SecretCollection* collection) {
        relock_.reset(SECRET_COLLECTION(g_object_ref(collection)));
    }

    // Makes `item` readable, prompting for its collection's password when it is locked. An item of
    // the protected collection leaves that collection locked again when the session ends.
    void open(SecretItem* item) {
        if (const ObjectPtr<SecretCollection> collection = protectedCollection(false);
            collection && liesIn(item, collection.get())) {
            relockOnExit(collection.get());
        }
        if (secret_item_get_locked(item)) {
            unlock(item);
        }
    }

    // Asks the keyring to unlock `object`, which shows its password prompt.
    void unlock(gpointer object) {
        GList objects{object, nullptr, nullptr};
        GList* unlocked = nullptr;
        GError* error = nullptr;
        secret_service_unlock_sync(service_.get(), &objects, cancellable(), &unlocked, &error);
        const ObjectList unlockedObjects(unlocked);
        if (error) {
            throw keychainError(error);
        }
        if (!unlockedObjects) {
            throw KeychainError(KeychainError::userCanceled);
        }
    }

    void store(const std::string& service, const std::string& id, const SymmetricKey& key,
               const char* collectionPath) {
        const std::unique_ptr<SecretValue, ValueUnref> value(
            secret_value_new(reinterpret_cast<const gchar*>(key.bytes().data()),
                             static_cast<gssize>(key.size()), "application/octet-stream"));
        GError* error = nullptr;
        if (!secret_service_store_sync(service_.get(), storeKeySchema(), attributesFor(service, id).get(),
                                       collectionPath, itemLabel, value.get(), cancellable(), &error)) {
            throw keychainError(error);
        }
    }

    SymmetricKey secretOf(SecretItem* item) {
        GError* error = nullptr;
        if (!secret_item_load_secret_sync(item, cancellable(), &error)) {
            throw keychainError(error);
        }
        const std::unique_ptr<SecretValue, ValueUnref> value(secret_item_get_secret(item));
        if (!value) {
            throw KeychainError(KeychainError::userCanceled);
        }
        gsize length = 0;
        const gchar* bytes = secret_value_get(value.get(), &length);
        return SymmetricKey(std::span(reinterpret_cast<const std::uint8_t*>(bytes), length));
    }

    void remove(SecretItem* item) { secret_item_delete_sync(item, cancellable(), nullptr); }

private:
    GCancellable* cancellable() const { return deadline_.cancellable(); }

    Deadline deadline_;
    ObjectPtr<SecretService> service_;
    ObjectPtr<SecretCollection> relock_;
};

} // namespace

KeychainKeyVault::KeychainKeyVault(std::string service) : service_(std::move(service)) {}

void KeychainKeyVault::store(const SymmetricKey& key, const std::string& id, bool requireAuthentication) {
    Keyring keyring;
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
    if (secret_collection_get_locked(collection.get())) {
        keyring.unlock(collection.get());
    }
    keyring.store(service_, id, key, g_dbus_proxy_get_object_path(G_DBUS_PROXY(collection.get())));
}

std::optional<SymmetricKey> KeychainKeyVault::load(const std::string& id) {
    Keyring keyring;
    const ObjectList items = keyring.search(service_, id);
    if (!items) {
        return std::nullopt;
    }
    auto* item = SECRET_ITEM(items->data);
    keyring.open(item);
    return keyring.secretOf(item);
}

void KeychainKeyVault::deleteKey(const std::string& id) {
    // A key that cannot be deleted stays in the keyring unreferenced; deleting never fails.
    try {
        Keyring keyring;
        const ObjectList items = keyring.search(service_, id);
        for (GList* entry = items.get(); entry; entry = entry->next) {
            // A locked collection keeps its items, so a protected key is unlocked (prompting) first.
            try {
                keyring.open(SECRET_ITEM(entry->data));
            } catch (const KeychainError&) {
                continue;
            }
            keyring.remove(SECRET_ITEM(entry->data));
        }
    } catch (const KeychainError&) {
    }
}

bool KeychainKeyVault::itemExists(const std::string& id, bool inDataProtectionStore) const {
    if (!inDataProtectionStore) {
        return false;
    }
    try {
        Keyring keyring;
        return keyring.search(service_, id) != nullptr;
    } catch (const KeychainError&) {
        return false;
    }
}

} // namespace snipstack
