// Choosing, opening, locking and unlocking the history's storage.
#include "app/model/AppModel.h"
#include "app/model/OpenOrCreateStore.h"
#include "app/model/StorageFolder.h"
#include "app/system/LogCategories.h"
#include "core/model/DiskBackend.h"
#include "core/model/MemoryBackend.h"
#include "core/store/KeyRotator.h"
#include "core/store/StoreFiles.h"

#include <QtConcurrent/QtConcurrentRun>
#include <utility>

namespace snipstack {

QFuture<AppModel::StoreTaskResult> AppModel::onWorker(std::function<DiskStore()> task) {
    return QtConcurrent::run(&workers_, [task = std::move(task)] {
        StoreTaskResult result;
        try {
            result.store = task();
        } catch (const std::exception& error) {
            result.error = QString::fromUtf8(error.what());
        }
        return result;
    });
}

void AppModel::lockWith(const QString& message) {
    assign(isLocked_, true, &AppModel::isLockedChanged);
    assign(storageError_, std::optional(message), &AppModel::storageErrorChanged);
    assign(storageFolderUnavailable_, false, &AppModel::storageFolderUnavailableChanged);
}

void AppModel::lockForUnavailableFolder() {
    lockWith(folderUnavailableMessage);
    assign(storageFolderUnavailable_, true, &AppModel::storageFolderUnavailableChanged);
}

void AppModel::lookAgainIfCaptureMissed() {
    if (std::exchange(captureMissed_, false)) {
        monitor_.lastChangeCount = -1;
    }
}

void AppModel::applyStoredCountLimit() {
    if (history_->maxItems() == preferences_->maxItems()) {
        return;
    }
    guarded([&] { history_->setMaxItems(preferences_->maxItems()); });
    refreshItems();
}

void AppModel::replaceHistory(std::shared_ptr<HistoryBackend> backend) {
    history_ = std::make_unique<History>(std::move(backend), preferences_->maxItems());
}

bool AppModel::resolveStorageLocation() {
    // The data folder is made only when the user moves the data into the chosen folder. A drive
    // that is away leaves its mount point behind, empty: a store made there would be on the wrong
    // disk and hidden once the drive is back. A drive can also go away after it resolved.
    if (customStorageBase_) {
        return isUsableFolder(*customStorageBase_);
    }
    const auto& bookmark = preferences_->storageBookmark();
    if (!bookmark) {
        return true;
    }
    const std::filesystem::path folder = folderOfBookmark(*bookmark);
    if (!isUsableFolder(folder / customBaseName)) {
        return false;
    }
    assign(customStorageFolder_, std::optional(folder), &AppModel::customStorageFolderChanged);
    customStorageBase_ = folder / customBaseName;
    return true;
}

void AppModel::openStore() {
    const bool resolved = resolveStorageLocation();
    if (!preferences_->persistent()) {
        if (resolved) {
            discardDiskStores();
        }
        return;
    }
    if (!resolved) {
        lockForUnavailableFolder();
        return;
    }
    openLiveStore();
}

void AppModel::openLiveStore() {
    const StoreLayout layout(storageBase());
    KeyRotator::recover(layout, environment_.vault);
    if (preferences_->requireAuth()) {
        assign(isLocked_, true, &AppModel::isLockedChanged);
        unlock();
        return;
    }
    try {
        attachDiskStore(
            openOrCreateStore(layout, environment_.vault, preferences_->cipher(), false, environment_.now()));
    } catch (const std::exception& error) {
        lockWith(QString::fromUtf8(error.what()));
    }
}

void AppModel::attachDiskStore(DiskStore store) {
    std::unique_ptr<History> history;
    try {
        history = std::make_unique<History>(std::make_shared<DiskBackend>(store), preferences_->maxItems());
    } catch (const std::exception& error) {
        // Loading repairs damaged entries; what still fails is the folder itself, so stay locked.
        diskStore_.reset();
        lockWith(QString::fromUtf8(error.what()));
        return;
    }
    diskStore_ = store;
    assign(lastRotation_, std::optional(store.manifest().createdAt), &AppModel::lastRotationChanged);
    history_ = std::move(history);
    assign(isLocked_, false, &AppModel::isLockedChanged);
    assign(storageError_, std::optional<QString>(), &AppModel::storageErrorChanged);
    assign(storageFolderUnavailable_, false, &AppModel::storageFolderUnavailableChanged);
    forgetThumbnails();
    refreshItems();
    lookAgainIfCaptureMissed();
    startTextRecognition();
    startRichPreviews();
    if (environment_.keyNeedsUpgrade(store.manifest().keyID)) {
        rotateKey(false);
    }
}

void AppModel::discardDiskStores() {
    discardStores(StoreLayout(storageBase()));
}

void AppModel::discardStores(const StoreLayout& layout) {
    for (const auto& id : layout.storeIDs()) {
        if (const auto manifest = layout.manifest(id)) {
            try {
                environment_.vault.deleteKey(manifest->keyID);
            } catch (const std::exception& error) {
                // The store is erased below all the same; a key left behind opens nothing.
                qCWarning(keyringLog, "The key of a discarded store stays in the keyring: %s", error.what());
            }
        }
        wipe(layout.storeDirectory(id));
    }
    layout.clearCurrent();
    diskStore_.reset();
    assign(lastRotation_, std::optional<Date>(), &AppModel::lastRotationChanged);
}

void AppModel::unlock() {
    // A second request while the keyring still prompts would only stack a second prompt.
    if (!isLocked_ || !preferences_->persistent() || unlockPending_) {
        return;
    }
    if (!resolveStorageLocation()) {
        lockForUnavailableFolder();
        return;
    }
    unlockPending_ = true;
    const StoreLayout layout(storageBase());
    KeyVault& vault = environment_.vault;
    const bool requireAuth = preferences_->requireAuth();
    const Cipher cipher = preferences_->cipher();
    const Date now = environment_.now();
    onWorker([layout, &vault, requireAuth, cipher, now] {
        return openOrCreateStore(layout, vault, cipher, requireAuth, now);
    }).then(this, [this](const StoreTaskResult& result) {
        unlockPending_ = false;
        if (!isLocked_) {
            return;
        }
        if (result.store) {
            attachDiskStore(*result.store);
        } else {
            lockWith(result.error);
        }
    });
}

void AppModel::relockAfterWake() {
    if (!preferences_->persistent() || !preferences_->requireAuth() || storageBusy()) {
        return;
    }
    diskStore_.reset();
    replaceHistory(std::make_shared<MemoryBackend>());
    forgetThumbnails();
    assign(isLocked_, true, &AppModel::isLockedChanged);
    refreshItems();
    unlock();
}

} // namespace snipstack
