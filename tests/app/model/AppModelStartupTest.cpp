#include "core/store/StoreFiles.h"
#include "tests/support/ModelTestSupport.h"

#include <filesystem>
#include <map>

using namespace snipstack;
using namespace snipstack::testing;

namespace {

class AppModelStartupTest : public ModelFixture {
protected:
    // Leaves a live store with one entry behind, as an earlier run on disk would.
    std::string leaveStoreBehind() {
        startModel(true);
        add("left behind");
        const std::string keyID = model->diskStore()->manifest().keyID;
        model.reset();
        return keyID;
    }

    void setPreferences(const std::function<void(Preferences&)>& change) {
        Preferences preferences(settingsPath);
        change(preferences);
    }
};

TEST_F(AppModelStartupTest, MemoryModeErasesAStoreLeftBehindWithItsKeyAndWritesNothing) {
    leaveStoreBehind();
    startModel(false);
    EXPECT_TRUE(model->isStarted());
    EXPECT_FALSE(model->isLocked());
    EXPECT_TRUE(model->items().empty());
    add("in memory");
    EXPECT_TRUE(layout().storeIDs().empty());
    EXPECT_FALSE(layout().currentStoreID());
    EXPECT_TRUE(vault.keys.ids().empty());
}

TEST_F(AppModelStartupTest, ADriveThatIsAwayLocksWithTheFolderMessageAndGetsNoNewStore) {
    const auto root = std::filesystem::path(folder.path().toStdString());
    const auto drive = root / "drive";
    std::filesystem::create_directories(drive);
    startModel(true);
    add("on the drive");
    model->moveDataFile(drive);
    ASSERT_EQ(model->customStorageFolder(), drive);
    model.reset();

    // An unmounted drive leaves its mount point behind, empty.
    const auto unmount = [&] {
        std::filesystem::rename(drive, root / "away");
        std::filesystem::create_directories(drive);
    };
    unmount();
    startModel(true);
    EXPECT_TRUE(model->isLocked());
    EXPECT_EQ(model->storageError(), QString(AppModel::folderUnavailableMessage));
    EXPECT_TRUE(model->storageFolderUnavailable());
    model->unlock();
    EXPECT_TRUE(model->isLocked());
    EXPECT_TRUE(std::filesystem::is_empty(drive));
    EXPECT_TRUE(layout().storeIDs().empty());
    EXPECT_EQ(vault.keys.ids().size(), 1u);

    // Mounted again, Unlock opens the history where it was.
    std::filesystem::remove(drive);
    std::filesystem::rename(root / "away", drive);
    model->unlock();
    ASSERT_TRUE(waitUntil([&] { return !model->isLocked(); }));
    EXPECT_EQ(textsOf(model->items()), std::vector<std::string>{"on the drive"});
    EXPECT_FALSE(model->storageFolderUnavailable());

    // A drive that goes away while the program runs is not used either.
    model->preferences().setRequireAuth(true);
    unmount();
    desktop.wakeHandler();
    EXPECT_EQ(model->storageError(), QString(AppModel::folderUnavailableMessage));
    runEventsFor(std::chrono::milliseconds(100));
    EXPECT_TRUE(model->isLocked());
    EXPECT_TRUE(std::filesystem::is_empty(drive));
}

TEST_F(AppModelStartupTest, AKeyThatIsNotTheStoresLocksAndLeavesEveryRecordAsItWas) {
    const std::string keyID = leaveStoreBehind();
    const auto files = [&] {
        std::map<std::string, std::optional<Bytes>> contents;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(base))
            contents[entry.path().string()] = readFile(entry);
        return contents;
    };
    const auto before = files();
    // Another key of the same size, then one that fits no algorithm of the store's cipher.
    for (const SymmetricKey& wrong : {makeKey(Cipher::aes256GCM), SymmetricKey(Bytes(24, 7))}) {
        vault.keys.deleteKey(keyID);
        vault.keys.store(wrong, keyID, false);
        startModel(true);
        EXPECT_TRUE(model->isLocked());
        EXPECT_TRUE(model->storageError());
        // Nothing is sealed under the wrong key either, so the next load still finds no record opening.
        model->handleCapture(textDraft("under the wrong key"));
        model.reset();
        EXPECT_EQ(files(), before);
    }
}

TEST_F(AppModelStartupTest, AStoreWhoseKeyVanishedIsReplacedByAnEmptyOne) {
    const std::string keyID = leaveStoreBehind();
    const std::string oldStore = *layout().currentStoreID();
    vault.keys.deleteKey(keyID);
    startModel(true);
    EXPECT_FALSE(model->isLocked());
    EXPECT_TRUE(model->items().empty());
    EXPECT_NE(*layout().currentStoreID(), oldStore);
    EXPECT_EQ(layout().storeIDs(), std::vector<std::string>{*layout().currentStoreID()});
}

TEST_F(AppModelStartupTest, RequiredAuthenticationUnlocksOffTheMainThreadAndRelocksAfterWake) {
    leaveStoreBehind();
    setPreferences([](Preferences& p) { p.setRequireAuth(true); });
    pasteboard.setContent({.representations = {{std::string(PasteboardType::plainText), bytesOf("secret")}}});
    startModel(true);
    EXPECT_TRUE(model->isLocked());
    // What is on the clipboard at start is taken in once the store is open.
    pollNow();
    ASSERT_TRUE(waitUntil([&] { return !model->isLocked(); }));
    pollNow();
    EXPECT_EQ(textsOf(model->items()), (std::vector<std::string>{"secret", "left behind"}));

    // Deleted, it stays deleted across a wake although it is still on the clipboard.
    int locks = 0;
    QObject::connect(model.get(), &AppModel::isLockedChanged, [&] { locks += model->isLocked() ? 1 : 0; });
    model->deleteItem(model->items().front());
    ASSERT_TRUE(desktop.wakeHandler);
    desktop.wakeHandler();
    ASSERT_TRUE(waitUntil([&] { return !model->isLocked(); }));
    EXPECT_EQ(locks, 1);
    pollNow();
    EXPECT_EQ(textsOf(model->items()), std::vector<std::string>{"left behind"});

    vault.failLoad = true;
    desktop.wakeHandler();
    EXPECT_TRUE(model->isLocked());
    EXPECT_TRUE(model->items().empty());
    ASSERT_TRUE(waitUntil([&] { return model->storageError().has_value(); }));
    EXPECT_TRUE(model->isLocked());
    // A copy made while locked is taken in once unlocked.
    copyElsewhere("copied while locked");
    EXPECT_TRUE(model->history().items().empty());
    vault.failLoad = false;
    model->unlock();
    ASSERT_TRUE(waitUntil([&] { return !model->isLocked(); }));
    pollNow();
    EXPECT_EQ(textsOf(model->items()), (std::vector<std::string>{"copied while locked", "left behind"}));
}

TEST_F(AppModelStartupTest, FirstRunWaitsForAccessAndAnAnswerThenStarts) {
    desktop.granted = false;
    makeModel().launch();
    EXPECT_FALSE(model->isStarted());
    EXPECT_EQ(desktop.accessRequests, 1);
    EXPECT_EQ(windows.firstRunShows, 1);

    // The shortcut brings the window forward until both conditions hold, then finishes the setup.
    desktop.hotKeyHandler();
    EXPECT_EQ(windows.firstRunShows, 2);
    desktop.granted = true;
    model->setSetupLaunchAtLogin(false);
    model->setSetupStorageChoice(false);
    desktop.hotKeyHandler();
    EXPECT_TRUE(model->isStarted());
    EXPECT_FALSE(windows.firstRunVisible);
    EXPECT_EQ(desktop.launchAtLogin, false);
    EXPECT_EQ(windows.firstRunTips, 1);
    EXPECT_FALSE(model->preferences().persistent());
    EXPECT_TRUE(model->preferences().storageChosen());
}

// Refused shortcuts and the alert they bring are ShortcutRecordingTest's.
TEST_F(AppModelStartupTest, ARecordedShortcutIsSavedWhenItRegistersAndDoesNotReopenThePanelItJustHid) {
    startModel(false);
    desktop.hotKeyRegisters = false;
    model->applyHotKey(HotKey{3, HotKey::command, "F"});
    EXPECT_FALSE(model->hotKeyRegistered());
    desktop.hotKeyRegisters = true;
    EXPECT_FALSE(model->applyHotKey(HotKey{3, HotKey::command, "F"}).alert);
    EXPECT_TRUE(model->hotKeyRegistered());
    EXPECT_EQ(model->preferences().hotKey().keyCode, 3);

    FakePanel& panel = *windows.panel;
    desktop.hotKeyHandler();
    EXPECT_TRUE(panel.visible);
    desktop.hotKeyHandler();
    EXPECT_FALSE(panel.visible);
    panel.hiddenAt = std::chrono::steady_clock::now() - std::chrono::milliseconds(200);
    desktop.hotKeyHandler();
    EXPECT_FALSE(panel.visible);
    panel.hiddenAt = std::chrono::steady_clock::now() - std::chrono::milliseconds(500);
    desktop.hotKeyHandler();
    EXPECT_TRUE(panel.visible);
}

} // namespace
