// Changing where and how the history is stored, key rotation, expiry and clearing.
#include "app/model/AppModel.h"
#include "app/model/OpenOrCreateStore.h"
#include "app/model/StorageFolder.h"
#include "app/model/StorageMoveError.h"
#include "app/system/LogCategories.h"
#include "core/model/DiskBackend.h"
#include "core/model/MemoryBackend.h"
#include "core/store/KeyRotator.h"
#include "core/store/StoreFiles.h"

#include <algorithm>

namespace snipstack {

namespace fs = std::filesystem;

namespace {

constexpr double secondsPerDay = 86'400;
constexpr double secondsPerHour = 3'600;

std::set<Uuid> idsOf(const std::vector<ClipItem>& items) {
    std::set<Uuid> ids;
    for (const auto& item : items) {
        ids.insert(item.id);
    }
    return ids;
}

// Whether a backend over `store` loads exactly the entries the history holds.
bool holdsSameEntries(const DiskStore& store, const std::vector<ClipItem>& items) {
    DiskBackend verifier(store);
    return idsOf(verifier.loadItems()) == idsOf(items);
}

} // namespace

int AppModel::alert(Alert::Style style, const QString& title, const QString& text, const QStringList& buttons,
                    std::optional<int> destructiveButton) {
    return environment_.alerts.run(Alert{style, title, text, buttons, destructiveButton});
}

bool AppModel::memorySwitchAllowed() const {
    // Locked because the chosen folder is gone, memory is one of the two ways out.
    return preferences_->persistent() && !isRotating_ && (!isLocked_ || storageFolderUnavailable_);
}

void AppModel::forgetChosenFolder() {
    preferences_->setStorageBookmark(std::nullopt);
    assign(customStorageFolder_, std::optional<fs::path>(), &AppModel::customStorageFolderChanged);
    customStorageBase_.reset();
    assign(storageFolderUnavailable_, false, &AppModel::storageFolderUnavailableChanged);
}

bool AppModel::setPersistent(bool on) {
    if (on == preferences_->persistent() || (on ? storageBusy() : !memorySwitchAllowed())) {
        return false;
    }
    if (!on && isLocked_) {
        // The store in the missing folder cannot be reached, so it stays where it is. Memory mode
        // erases what is at the storage location, now the default one, as it does at start.
        forgetChosenFolder();
        discardDiskStores();
        preferences_->setPersistent(false);
        // Locked, the history is empty; a new one takes a limit set meanwhile.
        replaceHistory(std::make_shared<MemoryBackend>());
        assign(isLocked_, false, &AppModel::isLockedChanged);
        assign(storageError_, std::optional<QString>(), &AppModel::storageErrorChanged);
        refreshItems();
        lookAgainIfCaptureMissed();
        return true;
    }
    try {
        if (!on) {
            history_->migrate(std::make_shared<MemoryBackend>());
            discardDiskStores();
            preferences_->setPersistent(false);
            return true;
        }
        if (!resolveStorageLocation()) {
            throw StorageMoveError(StorageMoveError::Code::noAccess);
        }
        discardDiskStores();
        DiskStore store =
            openOrCreateStore(StoreLayout(storageBase()), environment_.vault, preferences_->cipher(),
                              preferences_->requireAuth(), environment_.now());
        history_->migrate(std::make_shared<DiskBackend>(store));
        bool verified = false;
        try {
            verified = holdsSameEntries(store, history_->items());
        } catch (const std::exception& error) {
            // An unreadable copy is a failed copy: the history goes back to memory below.
            qCWarning(storageLog, "The encrypted copy could not be read back: %s", error.what());
        }
        if (!verified) {
            history_->migrate(std::make_shared<MemoryBackend>());
            discardDiskStores();
            throw std::runtime_error("The history could not be written to the encrypted store.");
        }
        diskStore_ = store;
        assign(lastRotation_, std::optional(store.manifest().createdAt), &AppModel::lastRotationChanged);
        preferences_->setPersistent(true);
        return true;
    } catch (const std::exception& error) {
        alert(Alert::Style::warning, "Could not change the storage mode", QString::fromUtf8(error.what()));
        return false;
    }
}

bool AppModel::confirmMemoryOnly() {
    if (!memorySwitchAllowed()) {
        return false;
    }
    const int choice = alert(Alert::Style::warning, "Keep history in memory only?",
                             "The encrypted store and its key will be erased. From then on your clipboard "
                             "history is lost whenever you restart, shut down or quit Snipstack.",
                             {"Use Memory Only", "Cancel"}, 0);
    return choice == 0 && setPersistent(false);
}

void AppModel::moveDataFile(const std::optional<fs::path>& folder) {
    if (!preferences_->persistent() || isRotating_) {
        return;
    }
    if (isLocked_) {
        // The other way out of a chosen folder that is gone: a new store at the default location
        // (or what is already live there), opened as at start.
        if (!folder && storageFolderUnavailable_) {
            forgetChosenFolder();
            assign(storageError_, std::optional<QString>(), &AppModel::storageErrorChanged);
            openLiveStore();
        }
        return;
    }
    if (!diskStore_) {
        return;
    }
    try {
        moveDataFileOrThrow(folder);
    } catch (const std::exception& error) {
        alert(Alert::Style::warning, "Could not move the data file", QString::fromUtf8(error.what()));
    }
}

void AppModel::moveDataFileOrThrow(const std::optional<fs::path>& folder) {
    const fs::path oldBase = storageBase();
    const fs::path newBase = folder ? *folder / customBaseName : environment_.defaultStorageBase;
    std::error_code ignored;
    const fs::path oldFolder = fs::weakly_canonical(oldBase, ignored);
    const fs::path newFolder = fs::weakly_canonical(newBase, ignored);
    if (oldFolder == newFolder) {
        return;
    }
    std::optional<QByteArray> bookmark;
    if (folder) {
        if (!isUsableFolder(*folder)) {
            throw StorageMoveError(StorageMoveError::Code::noAccess);
        }
        bookmark = bookmarkOf(*folder);
    }
    const StoreLayout newLayout(newBase);
    // Inside the old folder the copy would be erased with it.
    const bool insideOldFolder = !newFolder.lexically_relative(oldFolder).empty() &&
                                 *newFolder.lexically_relative(oldFolder).begin() != "..";
    if (insideOldFolder || !newLayout.storeIDs().empty()) {
        throw StorageMoveError(StorageMoveError::Code::folderInUse);
    }

    const StoreManifest& manifest = diskStore_->manifest();
    const fs::path copyDirectory = newLayout.storeDirectory(manifest.storeID);
    std::optional<DiskStore> copy;
    try {
        createPrivateDirectories(newLayout.storesDirectory());
        copyFolder(diskStore_->directory(), copyDirectory);
        newLayout.setCurrent(manifest.storeID);
        const auto key = environment_.vault.load(manifest.keyID);
        if (!key) {
            throw StorageMoveError(StorageMoveError::Code::noAccess);
        }
        copy = DiskStore::open(newLayout, manifest.storeID, *key);
        if (!holdsSameEntries(*copy, history_->items())) {
            throw StorageMoveError(StorageMoveError::Code::incomplete);
        }
    } catch (...) {
        // A half-made copy would make the chosen folder look taken next time.
        wipe(copyDirectory);
        newLayout.clearCurrent();
        throw;
    }

    history_->setBackend(std::make_shared<DiskBackend>(*copy));
    const fs::path oldStoreDirectory = diskStore_->directory();
    const bool oldBaseWasCustom = customStorageBase_.has_value();
    diskStore_ = copy;
    preferences_->setStorageBookmark(bookmark);
    assign(customStorageFolder_, folder, &AppModel::customStorageFolderChanged);
    customStorageBase_ = folder ? std::optional(newBase) : std::nullopt;

    const StoreLayout oldLayout(oldBase);
    wipe(oldStoreDirectory);
    oldLayout.clearCurrent();
    fs::remove_all(oldLayout.storesDirectory(), ignored);
    if (oldBaseWasCustom) {
        // The user may keep files of their own there: only what we made goes, and the folder only
        // when that leaves it empty.
        removeStaleTemporaryFiles(oldBase);
        fs::remove(oldBase, ignored);
    }
}

void AppModel::rotateKey(bool interactive, std::function<void(bool)> completion) {
    if (!preferences_->persistent() || storageBusy() || !diskStore_) {
        if (completion) {
            completion(false);
        }
        return;
    }
    assign(isRotating_, true, &AppModel::isRotatingChanged);
    const StoreLayout layout(storageBase());
    KeyVault& vault = environment_.vault;
    const DiskStore current = *diskStore_;
    const bool requireAuth = preferences_->requireAuth();
    const Cipher cipher = preferences_->cipher();
    const Date now = environment_.now();
    onWorker([layout, &vault, current, requireAuth, cipher, now] {
        return KeyRotator().rotate(layout, vault, current, requireAuth, cipher, now);
    }).then(this, [this, interactive, completion = std::move(completion)](const StoreTaskResult& result) {
        assign(isRotating_, false, &AppModel::isRotatingChanged);
        if (result.store) {
            diskStore_ = result.store;
            assign(lastRotation_, std::optional(result.store->manifest().createdAt),
                   &AppModel::lastRotationChanged);
            history_->setBackend(std::make_shared<DiskBackend>(*result.store));
        } else if (interactive) {
            alert(Alert::Style::warning, "Key rotation failed", "Your history is unchanged. " + result.error);
        }
        // Whichever store is live now takes what had to wait for the rotation.
        applyStoredCountLimit();
        lookAgainIfCaptureMissed();
        if (completion) {
            completion(result.store.has_value());
        }
    });
}

void AppModel::setRequireAuth(bool on) {
    if (on == preferences_->requireAuth()) {
        return;
    }
    // With authentication the user is asked on every rotation, so rotation stops being automatic.
    preferences_->setRequireAuth(on);
    preferences_->setRotationEnabled(!on);
    if (preferences_->persistent()) {
        rotateKey(true, [this, on](bool success) {
            if (!success) {
                preferences_->setRequireAuth(!on);
                preferences_->setRotationEnabled(on);
            }
        });
    }
}

void AppModel::setCipher(Cipher cipher) {
    if (cipher == preferences_->cipher() || storageBusy()) {
        return;
    }
    const Cipher previous = preferences_->cipher();
    preferences_->setCipher(cipher);
    if (preferences_->persistent()) {
        rotateKey(true, [this, previous](bool success) {
            if (!success) {
                preferences_->setCipher(previous);
            }
        });
    }
}

void AppModel::checkRotationDue() {
    if (!preferences_->rotationEnabled() || !lastRotation_) {
        return;
    }
    const double age =
        environment_.now().secondsSinceReferenceDate - lastRotation_->secondsSinceReferenceDate;
    if (age >= preferences_->rotationDays() * secondsPerDay) {
        rotateKey(false);
    }
}

std::int64_t AppModel::expiryHours() const {
    const std::int64_t hours =
        std::int64_t{preferences_->expiryDays()} * 24 + std::int64_t{preferences_->expiryHours()};
    return std::max<std::int64_t>(hours, 1);
}

Date AppModel::expiryCutoff() const {
    return environment_.now().adding(-static_cast<double>(expiryHours()) * secondsPerHour);
}

void AppModel::applyExpiry() {
    if (!preferences_->expiryEnabled() || storageBusy()) {
        return;
    }
    int removed = 0;
    guarded([&] { removed = history_->expire(expiryCutoff()); });
    if (removed > 0) {
        forgetThumbnails();
        refreshItems();
    }
}

int AppModel::expiringCount() const {
    const Date cutoff = expiryCutoff();
    return static_cast<int>(std::ranges::count_if(
        items_, [&](const ClipItem& item) { return !item.isPinned && item.lastUsedAt < cutoff; }));
}

void AppModel::setExpiryEnabled(bool on) {
    if (!on) {
        preferences_->setExpiryEnabled(false);
        return;
    }
    const int count = expiringCount();
    if (count > 0) {
        const QString message =
            QStringLiteral("Discard %1 older %2 now?").arg(count).arg(count == 1 ? "item" : "items");
        const int choice = alert(Alert::Style::warning, message,
                                 "They are older than the limit you set and will be removed right away. This "
                                 "cannot be undone. Pinned items are kept.",
                                 {"Turn On and Discard", "Cancel"}, 0);
        if (choice != 0) {
            return;
        }
    }
    preferences_->setExpiryEnabled(true);
    applyExpiry();
}

void AppModel::confirmClearHistory() {
    const int choice =
        alert(Alert::Style::warning, "Clear clipboard history?", "Cleared items cannot be recovered.",
              {"Clear All", "Keep Pinned Items", "Cancel"}, 0);
    if (choice == 0 || choice == 1) {
        clearHistory(choice == 1);
    }
}

void AppModel::clearHistory(bool keepPinned) {
    if (storageBusy()) {
        return;
    }
    guarded([&] { history_->clear(keepPinned); });
    forgetThumbnails();
    refreshItems();
}

} // namespace snipstack
