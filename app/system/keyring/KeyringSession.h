#pragma once

#include "app/system/keyring/KeychainError.h"
#include "core/store/SymmetricKey.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

// The path-based calls reach objects the Secret Service lists but libsecret cannot wrap.
#define SECRET_API_SUBJECT_TO_CHANGE
#include <libsecret/secret.h>

namespace snipstack {

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

// One operation's session with the Secret Service. A fresh session per operation keeps the vault
// stateless and survives a keyring daemon that restarted in between. Collections are looked at
// one by one and never with their items: gnome-keyring lists items it does not publish (the
// password it remembers when a keyring is unlocked with "Automatically unlock" ticked), and
// loading every collection's items fails on those.
class KeyringSession {
public:
    KeyringSession();

    KeyringSession(const KeyringSession&) = delete;
    KeyringSession& operator=(const KeyringSession&) = delete;

    ~KeyringSession();

    // Every item stored under `id`, locked or not; never prompts.
    ObjectList search(const std::string& service, const std::string& id);

    // The collection labelled "Snipstack", created (the keyring prompts for its new password) when
    // `create` is set and it is missing; otherwise null when missing.
    ObjectPtr<SecretCollection> protectedCollection(bool create);

    // The collection holding `item` when it is the protected one, else null.
    ObjectPtr<SecretCollection> protectedCollectionOf(SecretItem* item);

    // Locks `collection` when this session ends, whatever the outcome.
    void relockOnExit(SecretCollection* collection);

    // Makes `item` readable, prompting for its collection's password when it is locked. The
    // protected collection is locked again when the session ends; with `askAnyway` it is locked
    // first too, so that releasing a protected key always takes the password.
    void open(SecretItem* item, bool askAnyway);

    // Unlocks the protected collection through the keyring's password prompt. gnome-keyring's
    // prompt offers "Automatically unlock this keyring whenever I'm logged in", ticked by default,
    // and would then open the collection without asking from the next unlock on; no Secret Service
    // call keeps it from offering that, so what it remembered is removed before and after each unlock.
    void unlockProtected(SecretCollection* collection);

    void store(const std::string& service, const std::string& id, const SymmetricKey& key,
               const char* collectionPath);

    SymmetricKey secretOf(SecretItem* item);

    void remove(SecretItem* item);

private:
    GCancellable* cancellable() const { return deadline_.cancellable(); }

    ObjectPtr<SecretCollection> protectedCollectionAt(const char* path);

    // Read from the service, not the proxy's cache, which lags behind a lock made a moment ago.
    GVariant* property(GDBusProxy* proxy, const char* interface, const char* name);

    bool isLocked(SecretCollection* collection);

    // Asks the keyring to unlock `object`, which shows its password prompt.
    void unlock(gpointer object);

    // gnome-keyring keeps that password in the login keyring under the attribute
    // keyring = "LOCAL:/keyrings/<file>.keyring", the file named as the collection's path ends.
    // Throws while a remembered password would still open the collection.
    void forgetRememberedPassword(SecretCollection* collection);

    // Only unlocked keyrings are searched: removing a password from a locked one would ask for that
    // keyring's password.
    std::vector<std::string> rememberedPasswords(const std::string& location);

    // Returns the path of the item written.
    std::string overwrite(const std::string& collectionPath, const std::string& location);

    bool deleteItem(const std::string& path);

    Deadline deadline_;
    ObjectPtr<SecretService> service_;
    ObjectPtr<SecretCollection> relock_;
};

// The D-Bus object path of a collection or item.
std::string pathOf(gpointer proxy);

} // namespace snipstack
