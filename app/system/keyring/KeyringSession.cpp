#include "app/system/keyring/KeyringSession.h"

#include "app/system/LogCategories.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <span>
#include <stop_token>
#include <thread>
#include <vector>

namespace snipstack {

namespace {

constexpr const char* protectedCollectionLabel = "Snipstack";
constexpr const char* itemLabel = "Snipstack store key";

struct AttributesUnref {
    void operator()(GHashTable* attributes) const { g_hash_table_unref(attributes); }
};
using Attributes = std::unique_ptr<GHashTable, AttributesUnref>;
struct ValueUnref {
    void operator()(SecretValue* value) const { secret_value_unref(value); }
};
using Value = std::unique_ptr<SecretValue, ValueUnref>;
struct StrvFree {
    void operator()(gchar** strings) const { g_strfreev(strings); }
};
using Strv = std::unique_ptr<gchar*, StrvFree>;

SecretSchema makeSchema(const char* name, SecretSchemaFlags flags) {
    SecretSchema schema{};
    schema.name = name;
    schema.flags = flags;
    schema.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
    schema.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
    return schema;
}

// Items are stored under our schema name, so keyring browsers show what they are.
const SecretSchema* storeKeySchema() {
    static const SecretSchema schema = makeSchema("com.orvend.snipstack.store-key", SECRET_SCHEMA_NONE);
    return &schema;
}

// Searches leave the schema name out: a keyring loaded locked from disk hides every item's schema
// behind the generic one, so a search that named ours would miss every locked key.
const SecretSchema* storeKeySearchSchema() {
    static const SecretSchema schema =
        makeSchema("com.orvend.snipstack.store-key", SECRET_SCHEMA_DONT_MATCH_NAME);
    return &schema;
}

Attributes attributesFor(const std::string& service, const std::string& id) {
    return Attributes(secret_attributes_build(storeKeySchema(), "service", service.c_str(), "account",
                                              id.c_str(), nullptr));
}

// No Secret Service answers: nobody owns its bus name and none could be started for it.
bool meansNoService(const GError* error) {
    if (error->domain != G_DBUS_ERROR) {
        return false;
    }
    switch (error->code) {
    case G_DBUS_ERROR_SERVICE_UNKNOWN:
    case G_DBUS_ERROR_NAME_HAS_NO_OWNER:
    case G_DBUS_ERROR_SPAWN_EXEC_FAILED:
    case G_DBUS_ERROR_SPAWN_FORK_FAILED:
    case G_DBUS_ERROR_SPAWN_CHILD_EXITED:
    case G_DBUS_ERROR_SPAWN_CHILD_SIGNALED:
    case G_DBUS_ERROR_SPAWN_FAILED:
    case G_DBUS_ERROR_SPAWN_SETUP_FAILED:
    case G_DBUS_ERROR_SPAWN_CONFIG_INVALID:
    case G_DBUS_ERROR_SPAWN_SERVICE_INVALID:
    case G_DBUS_ERROR_SPAWN_SERVICE_NOT_FOUND:
    case G_DBUS_ERROR_SPAWN_PERMISSIONS_INVALID:
    case G_DBUS_ERROR_SPAWN_FILE_INVALID:
    case G_DBUS_ERROR_SPAWN_NO_MEMORY:
        return true;
    default:
        return false;
    }
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
    if (meansNoService(error)) {
        return KeychainError(KeychainError::notAvailable);
    }
    return KeychainError(KeychainError::serviceFailure, error->message);
}

} // namespace

std::string pathOf(gpointer proxy) {
    return g_dbus_proxy_get_object_path(G_DBUS_PROXY(proxy));
}

namespace {

// Items live at <collection path>/<item>.
std::string parentPath(const std::string& path) {
    return path.substr(0, path.rfind('/'));
}

void lockObject(SecretService* service, gpointer object) {
    const Deadline deadline;
    GList objects{object, nullptr, nullptr};
    secret_service_lock_sync(service, &objects, deadline.cancellable(), nullptr, nullptr);
}

} // namespace

KeyringSession::KeyringSession() {
    GError* error = nullptr;
    // Without a session bus no Secret Service can answer either.
    ObjectPtr<GDBusConnection> bus(g_bus_get_sync(G_BUS_TYPE_SESSION, cancellable(), &error));
    if (!bus) {
        g_error_free(error);
        throw KeychainError(KeychainError::notAvailable);
    }
    service_.reset(secret_service_open_sync(SECRET_TYPE_SERVICE, nullptr, SECRET_SERVICE_OPEN_SESSION,
                                            cancellable(), &error));
    if (!service_) {
        throw keychainError(error);
    }
}

KeyringSession::~KeyringSession() {
    if (relock_) {
        lockObject(service_.get(), relock_.get());
    }
}

ObjectList KeyringSession::search(const std::string& service, const std::string& id) {
    GError* error = nullptr;
    ObjectList items(secret_service_search_sync(service_.get(), storeKeySearchSchema(),
                                                attributesFor(service, id).get(), SECRET_SEARCH_ALL,
                                                cancellable(), &error));
    if (error) {
        throw keychainError(error);
    }
    return items;
}

ObjectPtr<SecretCollection> KeyringSession::protectedCollection(bool create) {
    const std::unique_ptr<GVariant, decltype(&g_variant_unref)> paths(
        property(G_DBUS_PROXY(service_.get()), "org.freedesktop.Secret.Service", "Collections"),
        g_variant_unref);
    // Creating one more "Snipstack" collection on a garbled answer would strand the keys in the first.
    if (!g_variant_is_of_type(paths.get(), G_VARIANT_TYPE_OBJECT_PATH_ARRAY)) {
        throw KeychainError(KeychainError::serviceFailure, "The keyring did not list its collections.");
    }
    GVariantIter iter;
    g_variant_iter_init(&iter, paths.get());
    const gchar* path = nullptr;
    while (g_variant_iter_next(&iter, "&o", &path)) {
        if (ObjectPtr<SecretCollection> collection = protectedCollectionAt(path)) {
            return collection;
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

ObjectPtr<SecretCollection> KeyringSession::protectedCollectionOf(SecretItem* item) {
    return protectedCollectionAt(parentPath(pathOf(item)).c_str());
}

void KeyringSession::relockOnExit(SecretCollection* collection) {
    relock_.reset(SECRET_COLLECTION(g_object_ref(collection)));
}

void KeyringSession::open(SecretItem* item, bool askAnyway) {
    if (const ObjectPtr<SecretCollection> collection = protectedCollectionOf(item)) {
        relockOnExit(collection.get());
        if (askAnyway) {
            lockObject(service_.get(), collection.get());
        }
        unlockProtected(collection.get());
        return;
    }
    if (secret_item_get_locked(item)) {
        unlock(item);
    }
}

void KeyringSession::unlockProtected(SecretCollection* collection) {
    if (!isLocked(collection)) {
        return;
    }
    forgetRememberedPassword(collection);
    unlock(collection);
    // Should this fail, the next unlock tries again before it asks.
    try {
        forgetRememberedPassword(collection);
    } catch (const KeychainError& error) {
        qCWarning(keyringLog, "The keyring may open Snipstack's collection without asking once: %s",
                  error.what());
    }
}

void KeyringSession::store(const std::string& service, const std::string& id, const SymmetricKey& key,
                           const char* collectionPath) {
    const Value value(secret_value_new(reinterpret_cast<const gchar*>(key.bytes().data()),
                                       static_cast<gssize>(key.size()), "application/octet-stream"));
    GError* error = nullptr;
    if (!secret_service_store_sync(service_.get(), storeKeySchema(), attributesFor(service, id).get(),
                                   collectionPath, itemLabel, value.get(), cancellable(), &error)) {
        throw keychainError(error);
    }
}

SymmetricKey KeyringSession::secretOf(SecretItem* item) {
    GError* error = nullptr;
    if (!secret_item_load_secret_sync(item, cancellable(), &error)) {
        throw keychainError(error);
    }
    const Value value(secret_item_get_secret(item));
    if (!value) {
        throw KeychainError(KeychainError::userCanceled);
    }
    gsize length = 0;
    const gchar* bytes = secret_value_get(value.get(), &length);
    return SymmetricKey(std::span(reinterpret_cast<const std::uint8_t*>(bytes), length));
}

void KeyringSession::remove(SecretItem* item) {
    secret_item_delete_sync(item, cancellable(), nullptr);
}

ObjectPtr<SecretCollection> KeyringSession::protectedCollectionAt(const char* path) {
    // Collections that vanish or cannot be read are not ours to worry about.
    ObjectPtr<SecretCollection> collection(secret_collection_new_for_dbus_path_sync(
        service_.get(), path, SECRET_COLLECTION_NONE, cancellable(), nullptr));
    if (!collection) {
        return nullptr;
    }
    const std::unique_ptr<gchar, decltype(&g_free)> label(secret_collection_get_label(collection.get()),
                                                          g_free);
    return label && std::strcmp(label.get(), protectedCollectionLabel) == 0 ? std::move(collection) : nullptr;
}

GVariant* KeyringSession::property(GDBusProxy* proxy, const char* interface, const char* name) {
    GError* error = nullptr;
    GVariant* reply = g_dbus_proxy_call_sync(proxy, "org.freedesktop.DBus.Properties.Get",
                                             g_variant_new("(ss)", interface, name), G_DBUS_CALL_FLAGS_NONE,
                                             -1, cancellable(), &error);
    if (!reply) {
        throw keychainError(error);
    }
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    g_variant_unref(reply);
    return value;
}

bool KeyringSession::isLocked(SecretCollection* collection) {
    GVariant* value = property(G_DBUS_PROXY(collection), "org.freedesktop.Secret.Collection", "Locked");
    const bool locked = !g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN) || g_variant_get_boolean(value);
    g_variant_unref(value);
    return locked;
}

void KeyringSession::unlock(gpointer object) {
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

void KeyringSession::forgetRememberedPassword(SecretCollection* collection) {
    const std::string path = pathOf(collection);
    const std::string location = "LOCAL:/keyrings/" + path.substr(path.rfind('/') + 1) + ".keyring";
    for (const std::string& item : rememberedPasswords(location)) {
        if (deleteItem(item)) {
            continue;
        }
        // A password remembered since the daemon started is listed but not published, so it
        // cannot be deleted. Storing an empty one over it (the keyring replaces the item whose
        // attributes include these) publishes it, and leaves a password that opens nothing
        // should deleting it still fail.
        const std::string written = overwrite(parentPath(item), location);
        deleteItem(written);
        if (written != item) {
            throw KeychainError(KeychainError::serviceFailure,
                                "The keyring remembers the password of the Snipstack keyring and would "
                                "not forget it.");
        }
    }
}

std::vector<std::string> KeyringSession::rememberedPasswords(const std::string& location) {
    const Attributes attributes(g_hash_table_new(g_str_hash, g_str_equal));
    g_hash_table_insert(attributes.get(), const_cast<char*>("keyring"), const_cast<char*>(location.c_str()));
    gchar** unlocked = nullptr;
    GError* error = nullptr;
    if (!secret_service_search_for_dbus_paths_sync(service_.get(), nullptr, attributes.get(), cancellable(),
                                                   &unlocked, nullptr, &error)) {
        throw keychainError(error);
    }
    const Strv owned(unlocked);
    std::vector<std::string> paths;
    for (gchar** path = unlocked; path && *path; ++path) {
        paths.emplace_back(*path);
    }
    return paths;
}

std::string KeyringSession::overwrite(const std::string& collectionPath, const std::string& location) {
    const std::unique_ptr<GHashTable, AttributesUnref> properties(g_hash_table_new_full(
        g_str_hash, g_str_equal, nullptr, reinterpret_cast<GDestroyNotify>(g_variant_unref)));
    g_hash_table_insert(properties.get(), const_cast<char*>("org.freedesktop.Secret.Item.Attributes"),
                        g_variant_ref_sink(g_variant_new_parsed("{'keyring': %s}", location.c_str())));
    const Value empty(secret_value_new("", 0, "text/plain"));
    GError* error = nullptr;
    const std::unique_ptr<gchar, decltype(&g_free)> written(
        secret_service_create_item_dbus_path_sync(service_.get(), collectionPath.c_str(), properties.get(),
                                                  empty.get(), SECRET_ITEM_CREATE_REPLACE, cancellable(),
                                                  &error),
        g_free);
    if (!written) {
        throw keychainError(error);
    }
    return written.get();
}

bool KeyringSession::deleteItem(const std::string& path) {
    return secret_service_delete_item_dbus_path_sync(service_.get(), path.c_str(), cancellable(), nullptr);
}

} // namespace snipstack
