#include "core/store/DiskStore.h"

#include "core/store/StoreError.h"
#include "core/values/PropertyList.h"
#include "tests/core/store/StoreTestSupport.h"

#include <gtest/gtest.h>

namespace snipstack {
namespace {

using namespace testing;
using Code = StoreError::Code;

TEST(StoreManifestTest, RoundTripDefaultsAndRejections) {
    const StoreManifest manifest{1, "STORE", "KEY", Date{123456.75}, Cipher::chaCha20Poly1305};
    plist::Dictionary written = *plist::decode(manifest.encode()).as<plist::Dictionary>();
    auto decoded = [](plist::Dictionary dictionary) {
        return StoreManifest::decode(viewOf(plist::encode(plist::Value(std::move(dictionary)))));
    };
    EXPECT_EQ(decoded(written), manifest);
    for (std::size_t i = 0; i < 4; ++i) {
        plist::Dictionary without = written;
        without.erase(without.begin() + i);
        EXPECT_FALSE(decoded(without)) << written[i].first;
    }
    written.back().second.content = std::string("aes-512-gcm");
    EXPECT_FALSE(decoded(written));
    written.pop_back();
    EXPECT_EQ(decoded(written)->cipher, Cipher::aes256GCM);
}

struct DiskStoreTest : TempFolderTest {};

TEST_F(DiskStoreTest, LayoutCreateOpenReadWriteListAndDelete) {
    const StoreLayout layout(dir / "deep" / "B");
    const SymmetricKey key = makeKey(Cipher::aes128GCM);
    const DiskStore store = DiskStore::create(layout, key, "KEY-ID", Cipher::aes128GCM, Date{42});
    const std::string storeID = store.manifest().storeID;
    EXPECT_EQ(layout.manifest(storeID), (StoreManifest{1, storeID, "KEY-ID", Date{42}, Cipher::aes128GCM}));
    for (const fs::path& folder : {layout.base(), layout.storesDirectory(), store.directory() / "thumb"})
        EXPECT_EQ(fs::status(folder).permissions(), fs::perms(0700)) << folder;
    fs::create_directories(layout.storesDirectory() / ".hidden");
    put(layout.storesDirectory() / "plain", "x");
    EXPECT_EQ(layout.storeIDs(), std::vector<std::string>{storeID});

    EXPECT_FALSE(layout.currentStoreID());
    layout.setCurrent(" \r\n\tSTORE \n");
    EXPECT_EQ(layout.currentStoreID(), "STORE");
    for (const char* content : {"  \n\r\n\t ", "STORE\xff\xfe"}) {
        put(layout.base() / "current", content);
        EXPECT_FALSE(layout.currentStoreID()) << content;
    }

    const Uuid id = Uuid::random(), lower = *Uuid::parse("0f8fad5b-d9cb-469f-a165-70867728950e");
    for (RecordKind kind : allRecordKinds)
        store.write(rawValue(kind), kind, id);
    // A record another writer named in lower case is read and deleted all the same.
    put(store.directory() / "blob" / "0f8fad5b-d9cb-469f-a165-70867728950e",
        std::string(viewOf(store.sealer().seal("lower", RecordKind::blob, lower))));
    // Built by appending: GCC 12 warns (-Wrestrict) about "." + string in an optimised build, falsely.
    put(store.directory() / "blob" / std::string(".").append(Uuid::random().string()).append(".tmp"), "x");
    EXPECT_EQ(store.ids(RecordKind::blob), (std::set<Uuid>{id, lower}));
    const DiskStore reopened = DiskStore::open(layout, storeID, key);
    EXPECT_EQ(viewOf(reopened.read(RecordKind::blob, id)), "blob");
    EXPECT_EQ(viewOf(reopened.read(RecordKind::blob, lower)), "lower");
    EXPECT_EQ(codeOf<StoreError>([&] { reopened.read(RecordKind::thumb, lower); }), Code::missingRecord);
    EXPECT_EQ(codeOf<StoreError>([&] { DiskStore::open(layout, "X", key); }), Code::missingManifest);
    // Rewritten, it is stored under the canonical name and the old content leaves the disk.
    reopened.write("rewritten", RecordKind::blob, lower);
    EXPECT_EQ(viewOf(reopened.read(RecordKind::blob, lower)), "rewritten");
    EXPECT_FALSE(fs::exists(store.directory() / "blob" / "0f8fad5b-d9cb-469f-a165-70867728950e"));
    store.deleteRecords(id);
    store.deleteRecords(lower);
    EXPECT_EQ(treeOf(store.directory()).size(), 5u); // the kind folders, the manifest and the stray
}

} // namespace
} // namespace snipstack
