#include "core/model/DiskBackend.h"
#include "core/store/StoreFiles.h"
#include "tests/support/ModelTestSupport.h"

using namespace snipstack;
using namespace snipstack::testing;

namespace {

constexpr double day = 86'400;

class AppModelStorageChangesTest : public ModelFixture {
protected:
    std::filesystem::path chosen = std::filesystem::path(folder.path().toStdString()) / "chosen";

    // The history a fresh start over the same settings and folders finds.
    std::vector<std::string> textsAfterRestart() {
        model.reset();
        makeModel().launch();
        return textsOf(model->items());
    }

    bool rotate(bool interactive = true) {
        std::optional<bool> result;
        model->rotateKey(interactive, [&](bool success) { result = success; });
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); }));
        return result.value_or(false);
    }

    // Every entry with every field, its payload and its thumbnail.
    std::vector<std::tuple<ClipItem, ClipPayload, std::optional<Bytes>>> contents() const {
        std::vector<std::tuple<ClipItem, ClipPayload, std::optional<Bytes>>> entries;
        for (const auto& item : model->history().items()) {
            entries.emplace_back(item, model->history().payload(item.id),
                                 model->history().thumbnail(item.id));
        }
        return entries;
    }

    // Locked at start because the folder the data was moved to has gone for good.
    void lockOnGoneFolder() {
        startModel(true);
        add("on the lost drive");
        std::filesystem::create_directories(chosen);
        model->moveDataFile(chosen);
        ASSERT_EQ(model->customStorageFolder(), chosen);
        model.reset();
        std::filesystem::remove_all(chosen);
        startModel(true);
        ASSERT_TRUE(model->isLocked());
        ASSERT_TRUE(model->storageFolderUnavailable());
    }
};

TEST_F(AppModelStorageChangesTest, SwitchingTheModeKeepsEveryEntryAndLeavingDiskErasesStoresAndKeys) {
    startModel(false);
    renderer.preview = bytesOf("preview");
    ClipDraft fromBrowser = textDraft("one");
    fromBrowser.sourceBundleID = "org.example.Browser";
    clock = clock.adding(1);
    model->togglePin(*model->insert(fromBrowser));
    add("two");
    clock = clock.adding(1);
    model->insert(imageDraft(Qt::blue));
    ASSERT_TRUE(waitUntil([&] { return !model->isRecognizingText() && !model->isRenderingPreviews(); }));
    const auto before = contents();
    const auto item = [&](std::size_t i) { return std::get<ClipItem>(before[i]); };
    ASSERT_TRUE(item(0).ocrText && item(0).imageWidth && item(2).isPinned && item(1).hasRichPreview == true);
    EXPECT_FALSE(model->setPersistent(false));
    // A switch whose key cannot be stored alerts and stays in memory.
    vault.failStore = true;
    EXPECT_FALSE(model->setPersistent(true));
    EXPECT_EQ(alerts.shown.size(), 1u);
    EXPECT_FALSE(model->preferences().persistent());
    EXPECT_TRUE(layout().storeIDs().empty());
    vault.failStore = false;

    ASSERT_TRUE(model->setPersistent(true));
    ASSERT_TRUE(model->diskStore());
    EXPECT_EQ(model->lastRotation(), model->diskStore()->manifest().createdAt);
    EXPECT_EQ(contents(), before);
    textsAfterRestart();
    EXPECT_EQ(contents(), before);

    ASSERT_TRUE(model->setPersistent(false));
    EXPECT_EQ(contents(), before);
    EXPECT_TRUE(layout().storeIDs().empty());
    EXPECT_FALSE(layout().currentStoreID());
    EXPECT_TRUE(vault.keys.ids().empty());
    EXPECT_FALSE(model->lastRotation());
    EXPECT_EQ(alerts.shown.size(), 1u);
}

TEST_F(AppModelStorageChangesTest, MovingTheDataFileCopiesVerifiesAndLeavesNothingBehindOrChangesNothing) {
    startModel(true);
    add("moved");
    const std::string storeID = model->diskStore()->manifest().storeID;
    const std::filesystem::path liveStore = model->diskStore()->directory();
    std::filesystem::create_directories(chosen / "Snipstack Data" / "Stores" / "OTHER");
    model->moveDataFile(chosen);
    EXPECT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(model->diskStore()->directory(), liveStore);
    // A folder inside the one in use would be erased with it after the move.
    model->moveDataFile(base);
    EXPECT_EQ(alerts.shown.size(), 2u);
    // Without the key the copy cannot be verified; the half-made copy is gone, so the folder can be chosen
    // again.
    vault.failLoad = true;
    std::filesystem::remove_all(chosen / "Snipstack Data");
    model->moveDataFile(chosen);
    EXPECT_EQ(alerts.shown.size(), 3u);
    EXPECT_EQ(model->diskStore()->directory(), liveStore);
    EXPECT_FALSE(model->preferences().storageBookmark());
    EXPECT_TRUE(StoreLayout(chosen / "Snipstack Data").storeIDs().empty());
    vault.failLoad = false;

    alerts.shown.clear();
    model->moveDataFile(chosen);
    const StoreLayout moved(chosen / "Snipstack Data");
    EXPECT_EQ(moved.currentStoreID(), storeID);
    EXPECT_EQ(model->customStorageFolder(), chosen);
    EXPECT_FALSE(layout().currentStoreID());
    EXPECT_FALSE(std::filesystem::exists(base / "Stores"));
    EXPECT_TRUE(alerts.shown.empty());

    // Moving to the folder in use does nothing; the move survives a restart.
    model->moveDataFile(chosen);
    EXPECT_EQ(moved.currentStoreID(), storeID);
    EXPECT_EQ(textsAfterRestart(), std::vector<std::string>{"moved"});
    EXPECT_EQ(model->diskStore()->directory(), moved.storeDirectory(storeID));

    // Back to the default folder: the chosen one loses its data folder.
    model->moveDataFile(std::nullopt);
    EXPECT_EQ(layout().currentStoreID(), storeID);
    EXPECT_FALSE(std::filesystem::exists(chosen / "Snipstack Data"));
    EXPECT_FALSE(model->preferences().storageBookmark());
    EXPECT_EQ(textsAfterRestart(), std::vector<std::string>{"moved"});

    // Files the user keeps in the data folder stay, and so does the folder; only ours go.
    model->moveDataFile(chosen);
    const std::filesystem::path notes = chosen / "Snipstack Data" / "notes.txt";
    writeAtomically("mine", notes);
    model->moveDataFile(std::nullopt);
    EXPECT_EQ(layout().currentStoreID(), storeID);
    std::vector<std::filesystem::path> left;
    for (const auto& entry : std::filesystem::directory_iterator(chosen / "Snipstack Data")) {
        left.push_back(entry.path());
    }
    EXPECT_EQ(left, std::vector<std::filesystem::path>{notes});
}

TEST_F(AppModelStorageChangesTest, ARotationLosesNothingAndTakesInOnlyWhatWasCopiedWhileItRan) {
    startModel(true);
    for (int i = 0; i < 20; ++i) {
        add("entry " + std::to_string(i));
    }
    const auto before = model->items();
    const std::string oldKey = model->diskStore()->manifest().keyID;
    std::optional<bool> result;
    model->rotateKey(true, [&](bool success) { result = success; });
    EXPECT_TRUE(model->isRotating());
    copyElsewhere("during rotation");
    model->deleteItem(before.front());
    model->clearHistory(false);
    EXPECT_EQ(model->items(), before);
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));

    EXPECT_TRUE(*result);
    EXPECT_FALSE(model->isRotating());
    EXPECT_NE(model->diskStore()->manifest().keyID, oldKey);
    EXPECT_FALSE(vault.keys.load(oldKey));
    pollNow();
    std::vector<std::string> expected = textsOf(before);
    expected.insert(expected.begin(), "during rotation");
    EXPECT_EQ(textsOf(model->items()), expected);
    EXPECT_EQ(textsAfterRestart(), expected);

    // Cleared, the history stays empty after a rotation although the clipboard still holds a copy.
    // (The new run first takes in what the clipboard holds at its start.)
    pollNow();
    model->clearHistory(false);
    ASSERT_TRUE(rotate());
    pollNow();
    EXPECT_TRUE(model->items().empty());
}

TEST_F(AppModelStorageChangesTest, ASettingsChangeWhoseRotationFailsIsSetBack) {
    startModel(true);
    add("safe");
    vault.failStore = true;
    model->setCipher(Cipher::chaCha20Poly1305);
    ASSERT_TRUE(waitUntil([&] { return !model->isRotating() && !alerts.shown.empty(); }));
    EXPECT_EQ(model->preferences().cipher(), Cipher::aes256GCM);

    model->setRequireAuth(true);
    ASSERT_TRUE(waitUntil([&] { return alerts.shown.size() == 2; }));
    EXPECT_FALSE(model->preferences().requireAuth());
    EXPECT_TRUE(model->preferences().rotationEnabled());

    vault.failStore = false;
    model->setCipher(Cipher::aes128GCM);
    ASSERT_TRUE(waitUntil([&] { return model->diskStore()->manifest().cipher == Cipher::aes128GCM; }));
    EXPECT_EQ(textsAfterRestart(), std::vector<std::string>{"safe"});
}

TEST_F(AppModelStorageChangesTest, TheStoredCountLimitHoldsInMemoryOnDiskAndOnceARotationEnds) {
    {
        Preferences preferences(settingsPath);
        preferences.setMaxItems(3);
    }
    startModel(false);
    for (int i = 0; i < 6; ++i) {
        add("entry " + std::to_string(i));
    }
    EXPECT_EQ(textsOf(model->items()), (std::vector<std::string>{"entry 5", "entry 4", "entry 3"}));
    ASSERT_TRUE(model->setPersistent(true));
    add("entry 6");
    EXPECT_EQ(model->items().size(), 3u);

    // Lowered while the rotation runs: applied to the new store when it ends.
    std::optional<bool> result;
    model->rotateKey(true, [&](bool success) { result = success; });
    model->setMaxItems(2);
    EXPECT_EQ(model->items().size(), 3u);
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
    ASSERT_TRUE(*result);
    EXPECT_EQ(textsOf(model->items()), (std::vector<std::string>{"entry 6", "entry 5"}));
    EXPECT_EQ(DiskBackend(*model->diskStore()).loadItems().size(), 2u);
}

TEST_F(AppModelStorageChangesTest, AChosenFolderGoneForGoodCanBeLeftForTheDefaultLocationOrMemory) {
    lockOnGoneFolder();
    // Moving back starts afresh at the default location.
    model->moveDataFile(std::nullopt);
    EXPECT_FALSE(model->isLocked());
    EXPECT_FALSE(model->storageError());
    EXPECT_FALSE(model->storageFolderUnavailable());
    EXPECT_TRUE(model->items().empty());
    EXPECT_FALSE(model->preferences().storageBookmark());
    EXPECT_FALSE(model->customStorageFolder());
    EXPECT_EQ(layout().storeIDs(), std::vector<std::string>{model->diskStore()->manifest().storeID});
    add("after moving back");
    EXPECT_EQ(textsAfterRestart(), std::vector<std::string>{"after moving back"});
    EXPECT_FALSE(std::filesystem::exists(chosen));
    EXPECT_TRUE(alerts.shown.empty());

    // Memory only, asked as the settings switch asks.
    model.reset();
    lockOnGoneFolder();
    alerts.answer = 1;
    EXPECT_FALSE(model->confirmMemoryOnly());
    EXPECT_TRUE(model->isLocked());
    EXPECT_TRUE(model->preferences().persistent());
    alerts.answer = 0;
    EXPECT_TRUE(model->confirmMemoryOnly());
    EXPECT_EQ(alerts.shown.size(), 2u);
    EXPECT_FALSE(model->isLocked());
    EXPECT_FALSE(model->storageError());
    EXPECT_FALSE(model->preferences().persistent());
    EXPECT_FALSE(model->preferences().storageBookmark());
    copyElsewhere("in memory");
    EXPECT_EQ(textsOf(model->items()), std::vector<std::string>{"in memory"});
    textsAfterRestart();
    EXPECT_FALSE(model->isLocked());
    EXPECT_FALSE(model->diskStore());
}

TEST_F(AppModelStorageChangesTest, TheKeyIsRotatedOnceItIsThirtyDaysOldCountingAcrossRestarts) {
    startModel(true);
    const Date created = *model->lastRotation();
    clock = created.adding(29 * day);
    textsAfterRestart();
    model->checkRotationDue();
    EXPECT_FALSE(model->isRotating());

    clock = created.adding(30 * day);
    model->checkRotationDue();
    EXPECT_TRUE(model->isRotating());
    ASSERT_TRUE(waitUntil([&] { return !model->isRotating(); }));
    EXPECT_EQ(model->lastRotation(), clock);
    EXPECT_TRUE(alerts.shown.empty());
}

TEST_F(AppModelStorageChangesTest, ExpiryAsksBeforeDiscardingAndNeverCountsPinnedEntries) {
    startModel(false);
    model->preferences().setExpiryDays(0);
    model->preferences().setExpiryHours(0);
    // Whole seconds, so that the limit falls exactly on an entry's time.
    const Date start{800'000'000};
    clock = start;
    add("old");
    model->togglePin(add("old but pinned"));
    clock = start.adding(1800);
    add("recent");
    // Used exactly one hour ago is not yet older than the limit.
    clock = start.adding(1 + 3600);
    EXPECT_EQ(model->expiringCount(), 0);
    model->preferences().setExpiryEnabled(true);
    model->applyExpiry();
    EXPECT_EQ(model->items().size(), 3u);
    model->preferences().setExpiryEnabled(false);
    clock = start.adding(3600 + 10);
    EXPECT_EQ(model->expiringCount(), 1);

    alerts.answer = 1;
    model->setExpiryEnabled(true);
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].title, "Discard 1 older item now?");
    EXPECT_FALSE(model->preferences().expiryEnabled());
    EXPECT_EQ(model->items().size(), 3u);

    alerts.answer = 0;
    model->setExpiryEnabled(true);
    EXPECT_TRUE(model->preferences().expiryEnabled());
    EXPECT_EQ(textsOf(model->items()), (std::vector<std::string>{"recent", "old but pinned"}));

    // 1 day and 6 hours is a 30-hour limit; the alert says "items" for more than one.
    model->setExpiryEnabled(false);
    model->preferences().setExpiryDays(1);
    model->preferences().setExpiryHours(6);
    add("a");
    add("b");
    clock = clock.adding(30 * 3600);
    EXPECT_EQ(model->expiringCount(), 2);
    clock = clock.adding(1);
    model->setExpiryEnabled(true);
    EXPECT_EQ(alerts.shown.back().title, "Discard 3 older items now?");
    EXPECT_EQ(textsOf(model->items()), std::vector<std::string>{"old but pinned"});
}

TEST_F(AppModelStorageChangesTest, ClearingKeepsPinnedEntriesOnlyWhenAsked) {
    startModel(false);
    add("plain");
    model->togglePin(add("pinned"));
    alerts.answer = 2;
    model->confirmClearHistory();
    EXPECT_EQ(model->items().size(), 2u);
    alerts.answer = 1;
    model->confirmClearHistory();
    EXPECT_EQ(textsOf(model->items()), std::vector<std::string>{"pinned"});
    alerts.answer = 0;
    model->confirmClearHistory();
    EXPECT_TRUE(model->items().empty());
}

TEST_F(AppModelStorageChangesTest, WhileLockedNothingChangesTheStorage) {
    startModel(true);
    add("kept out by the limit");
    add("locked away");
    model.reset();
    vault.failLoad = true;
    makeModel().launch();
    ASSERT_TRUE(model->isLocked());
    EXPECT_TRUE(model->storageError());
    EXPECT_TRUE(model->items().empty());
    const auto stores = layout().storeIDs();
    model->handleCapture(textDraft("dropped"));

    model->preferences().setExpiryEnabled(true);
    model->applyExpiry();
    model->clearHistory(false);
    model->setCipher(Cipher::chaCha20Poly1305);
    EXPECT_FALSE(model->setPersistent(false));
    EXPECT_FALSE(model->confirmMemoryOnly());
    std::filesystem::create_directories(chosen);
    model->moveDataFile(chosen);
    EXPECT_FALSE(rotate());
    // Applied once the store is open again.
    model->setMaxItems(1);

    EXPECT_EQ(model->preferences().cipher(), Cipher::aes256GCM);
    EXPECT_TRUE(model->preferences().persistent());
    EXPECT_EQ(layout().storeIDs(), stores);
    EXPECT_FALSE(std::filesystem::exists(chosen / "Snipstack Data"));
    EXPECT_TRUE(alerts.shown.empty());
    model->paste(ClipItem{}, true);
    EXPECT_EQ(desktop.beeps, 1);
    vault.failLoad = false;
    model->unlock();
    ASSERT_TRUE(waitUntil([&] { return !model->isLocked(); }));
    EXPECT_FALSE(model->storageError());
    EXPECT_EQ(textsOf(model->items()), std::vector<std::string>{"locked away"});
    EXPECT_EQ(textsAfterRestart(), std::vector<std::string>{"locked away"});
}

} // namespace
