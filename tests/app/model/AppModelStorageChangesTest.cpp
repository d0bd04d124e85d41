#include "tests/app/model/ModelTestSupport.h"

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

    std::vector<QString> alertTitles() const {
        std::vector<QString> titles;
        for (const auto& alert : alerts.shown) {
            titles.push_back(alert.title);
        }
        return titles;
    }
};

TEST_F(AppModelStorageChangesTest, SwitchingTheModeKeepsEveryEntryAndLeavingDiskErasesStoresAndKeys) {
    startModel(false);
    add("one");
    clock = clock.adding(1);
    model->insert(imageDraft(Qt::blue));
    EXPECT_FALSE(model->setPersistent(false));

    ASSERT_TRUE(model->setPersistent(true));
    ASSERT_TRUE(model->diskStore());
    EXPECT_EQ(model->lastRotation(), model->diskStore()->manifest().createdAt);
    EXPECT_EQ(textsAfterRestart().size(), 2u);
    ASSERT_TRUE(model->history().thumbnail(model->items().front().id));

    ASSERT_TRUE(model->setPersistent(false));
    EXPECT_EQ(model->items().size(), 2u);
    EXPECT_TRUE(model->history().thumbnail(model->items().front().id));
    EXPECT_TRUE(layout().storeIDs().empty());
    EXPECT_FALSE(layout().currentStoreID());
    EXPECT_TRUE(vault.keys.ids().empty());
    EXPECT_FALSE(model->lastRotation());
    EXPECT_TRUE(alerts.shown.empty());
}

TEST_F(AppModelStorageChangesTest, AFailedSwitchToDiskAlertsAndStaysInMemory) {
    startModel(false);
    add("kept");
    vault.failStore = true;
    EXPECT_FALSE(model->setPersistent(true));
    EXPECT_EQ(alertTitles(), std::vector<QString>{"Could not change the storage mode"});
    EXPECT_FALSE(model->preferences().persistent());
    EXPECT_EQ(textsOf(model->items()), std::vector<std::string>{"kept"});
    EXPECT_TRUE(layout().storeIDs().empty());
}

TEST_F(AppModelStorageChangesTest, MovingTheDataFileCopiesVerifiesAndLeavesNothingBehind) {
    startModel(true);
    add("moved");
    const std::string storeID = model->diskStore()->manifest().storeID;

    std::filesystem::create_directories(chosen);
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
}

TEST_F(AppModelStorageChangesTest, MovingIntoAFolderHoldingStoresOrWithoutTheKeyChangesNothing) {
    startModel(true);
    add("stays");
    const std::filesystem::path liveStore = model->diskStore()->directory();
    std::filesystem::create_directories(chosen / "Snipstack Data" / "Stores" / "OTHER");
    model->moveDataFile(chosen);
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].title, "Could not move the data file");
    EXPECT_EQ(alerts.shown[0].informativeText,
              "That folder already contains Snipstack data. Choose an empty folder.");
    EXPECT_EQ(model->diskStore()->directory(), liveStore);

    // A folder inside the one in use would be erased with it after the move.
    model->moveDataFile(base);
    ASSERT_EQ(alerts.shown.size(), 2u);
    EXPECT_EQ(alerts.shown[1].informativeText, alerts.shown[0].informativeText);

    const auto empty = std::filesystem::path(folder.path().toStdString()) / "empty";
    std::filesystem::create_directories(empty);
    vault.failLoad = true;
    model->moveDataFile(empty);
    ASSERT_EQ(alerts.shown.size(), 3u);
    EXPECT_EQ(model->diskStore()->directory(), liveStore);
    EXPECT_FALSE(model->preferences().storageBookmark());
    // The half-made copy is gone, so the folder can be chosen again.
    EXPECT_TRUE(StoreLayout(empty / "Snipstack Data").storeIDs().empty());
    vault.failLoad = false;
    EXPECT_EQ(textsAfterRestart(), std::vector<std::string>{"stays"});
}

TEST_F(AppModelStorageChangesTest, ARotationDropsCapturesWhileItRunsAndLosesNothing) {
    startModel(true);
    for (int i = 0; i < 20; ++i) {
        add("entry " + std::to_string(i));
    }
    const auto before = model->items();
    const std::string oldKey = model->diskStore()->manifest().keyID;
    std::optional<bool> result;
    model->rotateKey(true, [&](bool success) { result = success; });
    EXPECT_TRUE(model->isRotating());
    model->handleCapture(textDraft("during rotation"));
    model->deleteItem(before.front());
    model->clearHistory(false);
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));

    EXPECT_TRUE(*result);
    EXPECT_FALSE(model->isRotating());
    EXPECT_NE(model->diskStore()->manifest().keyID, oldKey);
    EXPECT_FALSE(vault.keys.load(oldKey));
    EXPECT_EQ(model->monitor().lastChangeCount, -1);
    EXPECT_EQ(model->items(), before);
    EXPECT_EQ(textsAfterRestart(), textsOf(before));
}

TEST_F(AppModelStorageChangesTest, ASettingsChangeWhoseRotationFailsIsSetBack) {
    startModel(true);
    add("safe");
    vault.failStore = true;
    model->setCipher(Cipher::chaCha20Poly1305);
    EXPECT_EQ(model->preferences().cipher(), Cipher::chaCha20Poly1305);
    ASSERT_TRUE(waitUntil([&] { return !model->isRotating() && !alerts.shown.empty(); }));
    EXPECT_EQ(model->preferences().cipher(), Cipher::aes256GCM);
    EXPECT_EQ(alerts.shown[0].title, "Key rotation failed");
    EXPECT_TRUE(alerts.shown[0].informativeText.startsWith("Your history is unchanged. "));

    model->setRequireAuth(true);
    ASSERT_TRUE(waitUntil([&] { return alerts.shown.size() == 2; }));
    EXPECT_FALSE(model->preferences().requireAuth());
    EXPECT_TRUE(model->preferences().rotationEnabled());

    vault.failStore = false;
    model->setCipher(Cipher::aes128GCM);
    ASSERT_TRUE(waitUntil([&] { return model->diskStore()->manifest().cipher == Cipher::aes128GCM; }));
    EXPECT_EQ(textsAfterRestart(), std::vector<std::string>{"safe"});
}

TEST_F(AppModelStorageChangesTest, TheKeyIsRotatedOnceItIsThirtyDaysOld) {
    startModel(true);
    const Date created = *model->lastRotation();
    clock = created.adding(29 * day);
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
    const Date start = clock;
    add("old");
    model->togglePin(add("old but pinned"));
    clock = start.adding(1800);
    add("recent");
    clock = start.adding(3600 + 10);
    EXPECT_EQ(model->expiringCount(), 1);

    alerts.answer = 1;
    model->setExpiryEnabled(true);
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].title, "Discard 1 older item now?");
    EXPECT_EQ(alerts.shown[0].buttons, (QStringList{"Turn On and Discard", "Cancel"}));
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
    clock = clock.adding(30 * 3600 + 1);
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
    EXPECT_EQ(alerts.shown[0].buttons, (QStringList{"Clear All", "Keep Pinned Items", "Cancel"}));
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
    add("locked away");
    model.reset();
    vault.failLoad = true;
    makeModel().launch();
    ASSERT_TRUE(model->isLocked());
    const auto stores = layout().storeIDs();

    model->preferences().setExpiryEnabled(true);
    model->applyExpiry();
    model->clearHistory(false);
    model->setCipher(Cipher::chaCha20Poly1305);
    EXPECT_FALSE(model->setPersistent(false));
    std::filesystem::create_directories(chosen);
    model->moveDataFile(chosen);
    EXPECT_FALSE(rotate());
    model->setMaxItems(1);

    EXPECT_EQ(model->preferences().cipher(), Cipher::aes256GCM);
    EXPECT_TRUE(model->preferences().persistent());
    EXPECT_EQ(layout().storeIDs(), stores);
    EXPECT_FALSE(std::filesystem::exists(chosen / "Snipstack Data"));
    EXPECT_TRUE(alerts.shown.empty());
    model->paste(ClipItem{}, true);
    EXPECT_EQ(desktop.beeps, 1);
    vault.failLoad = false;
    EXPECT_EQ(textsAfterRestart(), std::vector<std::string>{"locked away"});
}

} // namespace
