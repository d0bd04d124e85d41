#include "core/store/KeyRotator.h"

#include "core/store/CryptoError.h"
#include "core/store/InMemoryKeyVault.h"
#include "tests/core/store/StoreTestSupport.h"

#include <gmock/gmock.h>

namespace snipstack {
namespace {

using namespace testing;
using ::testing::ThrowsMessage;

struct KeyRotatorTest : TempFolderTest {
    std::optional<StoreLayout> layout{dir / "B"};
    std::optional<InMemoryKeyVault> vault{std::in_place};
    const Uuid id = Uuid::random();
    std::optional<RotationStage> stopAt;
    KeyRotator rotator{[this](RotationStage stage) { stage == stopAt ? throw stage : void(); }};

    // A new live store whose one entry has a record of each kind, holding the kind's name.
    DiskStore filled(Date createdAt = {}, Cipher cipher = Cipher::aes256GCM) {
        const DiskStore store = liveStore(*layout, *vault, cipher, createdAt);
        for (RecordKind kind : allRecordKinds)
            store.write(rawValue(kind), kind, id);
        return store;
    }
    // Only `store` is left, named by the pointer, only its key in the vault, its records readable.
    void expectOnly(const DiskStore& store) const {
        EXPECT_EQ(layout->storeIDs(), std::vector<std::string>{store.manifest().storeID});
        EXPECT_EQ(layout->currentStoreID(), store.manifest().storeID);
        EXPECT_EQ(vault->ids(), std::set<std::string>{store.manifest().keyID});
        EXPECT_EQ(viewOf(store.read(RecordKind::thumb, id)), "thumb");
    }
};

TEST_F(KeyRotatorTest, AbortsChangeNothingAndRotationsMoveEveryRecordToTheNewKeyAndCipher) {
    for (std::size_t i = 0; i < allCiphers.size(); ++i) {
        SCOPED_TRACE(i);
        layout.emplace(dir / std::to_string(i));
        vault.emplace();
        const Cipher cipher = allCiphers[(i + 1) % 3];
        const DiskStore old = filled({}, allCiphers[i]);
        stopAt = static_cast<RotationStage>(i); // keyStored, copied, verified
        EXPECT_THROW(rotator.rotate(*layout, *vault, old, false, cipher, {}), RotationStage);
        expectOnly(old);
        // Once, the hook fails after the flip: the rotation succeeds and recover removes the old store.
        stopAt = i == 2 ? std::optional(RotationStage::pointerFlipped) : std::nullopt;
        const DiskStore fresh = rotator.rotate(*layout, *vault, old, true, cipher, {});
        EXPECT_EQ(layout->storeIDs().size() + vault->ids().size(), i == 2 ? 4u : 2u);
        KeyRotator::recover(*layout, *vault);
        expectOnly(fresh);
        EXPECT_EQ(fresh.manifest().cipher, cipher);
        EXPECT_EQ(fresh.sealer().key().size(), cipher == Cipher::aes128GCM ? 16u : 32u);
        const std::string sealed = contentOf(fresh.recordURL(RecordKind::thumb, id));
        EXPECT_THROW(old.sealer().open(sealed, RecordKind::thumb, id), CryptoError);
    }
}

TEST_F(KeyRotatorTest, UnreadableRecordsLostKeysAndCopiesThatDifferStopTheRotation) {
    const DiskStore old = filled();
    auto rotate = [&] { rotator.rotate(*layout, *vault, old, false, {}, {}); };
    put(old.recordURL(RecordKind::meta, id), "ZKR1" + std::string(40, 'x'));
    EXPECT_EQ(codeOf<CryptoError>(rotate), CryptoError::Code::authenticationFailure);
    expectOnly(old);
    old.write("meta", RecordKind::meta, id);
    // The vault loses the new key as soon as it holds it.
    rotator.hook = [&](RotationStage) {
        for (const std::string& keyID : vault->ids())
            if (keyID != old.manifest().keyID)
                vault->deleteKey(keyID);
    };
    EXPECT_EQ(codeOf<RotationError>(rotate), RotationError::Code::keyRoundTripFailed);
    expectOnly(old);

    const DiskStore copy = filled({}, Cipher::aes128GCM);
    auto verify = [&] { KeyRotator::verify(old, copy); };
    fs::remove(copy.recordURL(RecordKind::thumb, id));
    EXPECT_THAT(verify, ThrowsMessage<RotationError>("thumb record count differs"));
    copy.write("changed", RecordKind::thumb, id);
    EXPECT_THAT(verify, ThrowsMessage<RotationError>("thumb " + id.string() + " differs"));
}

TEST_F(KeyRotatorTest, RecoverKeepsOnlyTheLiveStoreAndItsKeyAndNoTemporaryFiles) {
    // Stores 0 (the newest) and 1 and a copy of store 1's folder, which names its key; the pointer names
    // store 0, store 1 or a missing store. Temporary files lie beside the pointer and in the live store.
    for (const auto& [pointer, survivor] : std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 0}}) {
        SCOPED_TRACE(pointer);
        layout.emplace(dir / std::to_string(pointer));
        vault.emplace();
        const DiskStore stores[] = {filled(Date{2}), filled(Date{1})};
        fs::copy(stores[1].directory(), layout->storeDirectory("copy"), fs::copy_options::recursive);
        layout->setCurrent(pointer < 2 ? stores[pointer].manifest().storeID : "missing");
        const fs::path live = stores[survivor].directory();
        for (const fs::path& folder : {layout->base(), live, live / "meta", live / "blob", live / "thumb"})
            put(folder / ("." + Uuid::random().string() + ".tmp"), "torn");
        KeyRotator::recover(*layout, *vault);
        expectOnly(stores[survivor]);
        for (const std::string& path : treeOf(layout->base()))
            EXPECT_FALSE(path.ends_with(".tmp")) << path;
    }
    put(layout->storeDirectory(layout->storeIDs().front()) / "manifest", "garbage");
    layout->setCurrent("missing"); // nothing readable: every store folder goes
    KeyRotator::recover(*layout, *vault);
    EXPECT_TRUE(layout->storeIDs().empty());
}

} // namespace
} // namespace snipstack
