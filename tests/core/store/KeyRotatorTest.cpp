#include "core/store/KeyRotator.h"

#include "core/store/CryptoError.h"
#include "core/store/InMemoryKeyVault.h"
#include "core/store/StoreFiles.h"
#include "tests/core/store/StoreTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>

namespace snipstack {
namespace {

using namespace testing;
using ::testing::ThrowsMessage;

// Keeps keys but never hands one back, as a vault whose item vanished would.
struct ForgetfulVault : KeyVault {
    InMemoryKeyVault inner;
    void store(const SymmetricKey& key, const std::string& id, bool) override { inner.store(key, id, false); }
    std::optional<SymmetricKey> load(const std::string&) override { return std::nullopt; }
    void deleteKey(const std::string& id) override { inner.deleteKey(id); }
};

struct KeyRotatorTest : TempFolderTest {
    std::unique_ptr<InMemoryKeyVault> vault;
    std::optional<StoreLayout> layout;
    Uuid id = Uuid::random();
    // How many record kinds, in order, the one entry of each new live store has.
    std::size_t kinds = 3;
    std::optional<RotationStage> stopAt;
    KeyRotator rotator{[this](RotationStage stage) {
        if (stage == stopAt) {
            throw std::range_error("stopped");
        }
    }};

    // A store named by the pointer, its key in the vault; a new base folder comes with a new vault.
    DiskStore liveStore(const std::string& base, Cipher cipher, Date createdAt = {}) {
        if (!layout || layout->base() != dir / base) {
            layout.emplace(dir / base);
            vault = std::make_unique<InMemoryKeyVault>();
        }
        const SymmetricKey key = makeKey(cipher);
        const std::string keyID = Uuid::random().string();
        vault->store(key, keyID, false);
        const DiskStore store = DiskStore::create(*layout, key, keyID, cipher, createdAt);
        layout->setCurrent(store.manifest().storeID);
        fill(store, kinds);
        return store;
    }
    void fill(const DiskStore& store, std::size_t count) const {
        for (std::size_t i = 0; i < count; ++i) {
            store.write(rawValue(allRecordKinds[i]), allRecordKinds[i], id);
        }
    }
    // Only `store` is left, named by the pointer, only its key in the vault, its records readable.
    void expectOnly(const DiskStore& store) const {
        EXPECT_EQ(layout->storeIDs(), std::vector<std::string>{store.manifest().storeID});
        EXPECT_EQ(layout->currentStoreID(), store.manifest().storeID);
        EXPECT_EQ(vault->ids(), std::set<std::string>{store.manifest().keyID});
        for (std::size_t i = 0; i < kinds; ++i) {
            EXPECT_EQ(viewOf(store.read(allRecordKinds[i], id)), rawValue(allRecordKinds[i]));
        }
    }
};

TEST_F(KeyRotatorTest, RotationMovesEveryRecordUnderANewKey) {
    // Each cipher changes to the next one; the last run keeps the cipher of an empty store.
    for (std::size_t i = 0; i <= 3; ++i) {
        kinds = i < 3 ? 3 : 0;
        const Cipher cipher = allCiphers[(i + 1) % 3];
        const DiskStore old = liveStore("B" + std::to_string(i), i < 3 ? allCiphers[i] : cipher);
        const auto requested = i < 3 ? std::optional(cipher) : std::nullopt;
        const DiskStore fresh = rotator.rotate(*layout, *vault, old, true, requested, Date{50});
        expectOnly(fresh);
        EXPECT_FALSE(fs::exists(old.directory()));
        const StoreManifest& made = fresh.manifest();
        EXPECT_EQ(layout->manifest(made.storeID),
                  (StoreManifest{1, made.storeID, made.keyID, Date{50}, cipher}));
        EXPECT_EQ(fresh.sealer().key().size(), cipher == Cipher::aes128GCM ? 16u : 32u);
        EXPECT_EQ(treeOf(fresh.directory()).size(), 4 + kinds);
        for (std::size_t k = 0; k < kinds; ++k) {
            const Bytes sealed = readFile(fresh.recordURL(allRecordKinds[k], id)).value_or(Bytes{});
            EXPECT_TRUE(
                codeOf<CryptoError>([&] { old.sealer().open(viewOf(sealed), allRecordKinds[k], id); }));
        }
    }
}

TEST_F(KeyRotatorTest, EveryAbortLeavesTheLiveStoreAsItWas) {
    for (RotationStage stage : {RotationStage::keyStored, RotationStage::copied, RotationStage::verified}) {
        stopAt = stage;
        const DiskStore old = liveStore("B" + std::to_string(static_cast<int>(stage)), Cipher::aes256GCM);
        EXPECT_THROW(rotator.rotate(*layout, *vault, old, false, Cipher::chaCha20Poly1305, {}),
                     std::range_error);
        expectOnly(old);
    }
    stopAt.reset();
    ForgetfulVault forgetful;
    const DiskStore old = liveStore("forgetful", Cipher::aes256GCM);
    forgetful.inner.store(old.sealer().key(), old.manifest().keyID, false);
    EXPECT_EQ(codeOf<RotationError>([&] { rotator.rotate(*layout, forgetful, old, false, {}, {}); }),
              RotationError::Code::keyRoundTripFailed);
    EXPECT_EQ(forgetful.inner.ids(), std::set<std::string>{old.manifest().keyID});
    expectOnly(old);

    // One live record that does not open stops the rotation with that record's error.
    const DiskStore damaged = liveStore("damaged", Cipher::aes256GCM);
    put(damaged.recordURL(RecordKind::thumb, id), "ZKR1" + std::string(40, 'x'));
    EXPECT_EQ(codeOf<CryptoError>([&] { rotator.rotate(*layout, *vault, damaged, false, {}, {}); }),
              CryptoError::Code::authenticationFailure);
    kinds = 2;
    expectOnly(damaged);
    EXPECT_EQ(contentOf(damaged.recordURL(RecordKind::thumb, id)), "ZKR1" + std::string(40, 'x'));
}

TEST_F(KeyRotatorTest, VerifyReportsTheFirstDifference) {
    const DiskStore old = liveStore("B", Cipher::aes256GCM);
    const DiskStore copy = DiskStore::create(*layout, makeKey(Cipher::aes128GCM), "K", Cipher::aes128GCM, {});
    fill(copy, 3);
    auto verify = [&] { KeyRotator::verify(old, copy); };
    EXPECT_NO_THROW(verify());
    const Uuid other = Uuid::random();
    fs::rename(copy.recordURL(RecordKind::thumb, id), copy.recordURL(RecordKind::thumb, other));
    EXPECT_THAT(verify, ThrowsMessage<RotationError>("thumb record count differs"));
    fs::remove(copy.recordURL(RecordKind::thumb, other));
    copy.write("changed", RecordKind::thumb, id);
    EXPECT_THAT(verify, ThrowsMessage<RotationError>("thumb " + id.string() + " differs"));
    copy.write("extra", RecordKind::meta, other);
    EXPECT_THAT(verify, ThrowsMessage<RotationError>("meta record count differs"));
}

TEST_F(KeyRotatorTest, RecoverSettlesEveryInterruptedState) {
    // A hook failing after the flip: success, and both stores and keys stay until recover().
    stopAt = RotationStage::pointerFlipped;
    const DiskStore before = liveStore("flipped", Cipher::chaCha20Poly1305);
    const DiskStore after = rotator.rotate(*layout, *vault, before, false, {}, {});
    EXPECT_EQ(layout->currentStoreID(), after.manifest().storeID);
    EXPECT_EQ(layout->storeIDs().size() + vault->ids().size(), 4u);
    KeyRotator::recover(*layout, *vault);
    expectOnly(after);

    // The pointer on the old store, and a new folder without manifest or a new store with its key
    // stored, partly or fully copied.
    for (std::size_t copied : {0, 1, 3}) {
        const DiskStore old = liveStore("interrupted" + std::to_string(copied), Cipher::aes256GCM);
        const SymmetricKey key = makeKey(Cipher::aes256GCM);
        const DiskStore fresh = DiskStore::create(*layout, key, "NEW-KEY", Cipher::aes256GCM, Date{9});
        fill(fresh, copied);
        copied == 0 ? void(fs::remove(fresh.directory() / "manifest")) : vault->store(key, "NEW-KEY", false);
        KeyRotator::recover(*layout, *vault);
        expectOnly(old);
    }

    // No pointer and two readable stores: the one created later stays.
    const DiskStore later = liveStore("pointerless", Cipher::aes256GCM, Date{9});
    liveStore("pointerless", Cipher::aes256GCM, Date{5});
    layout->clearCurrent();
    KeyRotator::recover(*layout, *vault);
    expectOnly(later);

    // A pointer to a missing folder and no readable manifest: every store folder goes.
    put(liveStore("nothing-readable", Cipher::aes256GCM).directory() / "manifest", "garbage");
    fs::create_directories(layout->storeDirectory(Uuid::random().string()) / "blob");
    layout->setCurrent(Uuid::random().string());
    KeyRotator::recover(*layout, *vault);
    EXPECT_TRUE(treeOf(layout->storesDirectory()).empty());
}

} // namespace
} // namespace snipstack
