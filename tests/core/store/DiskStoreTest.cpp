#include "core/store/DiskStore.h"

#include "core/store/StoreError.h"
#include "core/values/PropertyList.h"
#include "tests/core/store/StoreTestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace snipstack {
namespace {

using namespace testing;

struct StoreLayoutTest : TempFolderTest {};
struct DiskStoreTest : TempFolderTest {};

TEST_F(StoreLayoutTest, PointerFileAndStoreListing) {
    const StoreLayout layout(dir / "deep" / "B");
    EXPECT_TRUE(layout.storeIDs().empty());
    layout.setCurrent("STORE-A");
    EXPECT_EQ(contentOf(layout.base() / "current"), "STORE-A");
    const std::pair<std::string, std::optional<std::string>> pointers[] = {
        {"STORE-B\n", "STORE-B"}, {" \r\n\tSTORE-C \n", "STORE-C"}, {"  \n\r\n\t ", std::nullopt},
        {"", std::nullopt},       {"STORE\xff\xfe", std::nullopt},  {"\xc3\x28", std::nullopt}};
    for (const auto& [content, expected] : pointers) {
        put(layout.base() / "current", content);
        EXPECT_EQ(layout.currentStoreID(), expected) << content;
    }
    fs::create_directories(layout.storesDirectory() / "STORE-A");
    fs::create_directories(layout.storesDirectory() / ".hidden");
    put(layout.storesDirectory() / "plain", "x");
    EXPECT_EQ(layout.storeIDs(), std::vector<std::string>{"STORE-A"});
}

TEST(StoreManifestTest, RoundTripDefaultsAndRejections) {
    const StoreManifest manifest{1, "STORE", "KEY", Date{123456.75}, Cipher::chaCha20Poly1305};
    const Bytes encoded = manifest.encode();
    EXPECT_EQ(viewOf(encoded).substr(0, 8), "bplist00");
    EXPECT_EQ(StoreManifest::decode(viewOf(encoded)), manifest);
    // The exact keys and value types another reader relies on.
    plist::Dictionary written = *plist::decode(encoded).as<plist::Dictionary>();
    const plist::Dictionary expected{{"version", std::int64_t{1}},
                                     {"storeID", "STORE"},
                                     {"keyID", "KEY"},
                                     {"createdAt", Date{123456.75}},
                                     {"cipher", "chacha20-poly1305"}};
    ASSERT_EQ(written, expected);
    auto decoded = [](plist::Dictionary dictionary) {
        return StoreManifest::decode(viewOf(plist::encode(plist::Value(std::move(dictionary)))));
    };
    for (std::size_t i = 0; i < 4; ++i) {
        plist::Dictionary without = written;
        without.erase(without.begin() + static_cast<std::ptrdiff_t>(i));
        EXPECT_FALSE(decoded(without)) << written[i].first;
    }
    written.back().second.content = std::string("aes-512-gcm");
    EXPECT_FALSE(decoded(written));
    written.pop_back();
    EXPECT_EQ(decoded(written)->cipher, Cipher::aes256GCM);
}

TEST_F(DiskStoreTest, CreateOpenReadWriteListAndDelete) {
    const StoreLayout layout(dir / "B");
    const SymmetricKey key = makeKey(Cipher::aes128GCM);
    const DiskStore store = DiskStore::create(layout, key, "KEY-ID", Cipher::aes128GCM, Date{42});
    const std::string storeID = store.manifest().storeID;
    EXPECT_EQ(Uuid::parse(storeID).value_or(Uuid{}).string(), storeID);
    EXPECT_EQ(layout.manifest(storeID), (StoreManifest{1, storeID, "KEY-ID", Date{42}, Cipher::aes128GCM}));
    EXPECT_FALSE(fs::exists(layout.base() / "current"));
    for (const fs::path& folder :
         {layout.base(), layout.storesDirectory(), store.directory(), store.directory() / "meta",
          store.directory() / "blob", store.directory() / "thumb"}) {
        EXPECT_EQ(modeOf(folder), 0700u) << folder;
    }
    const Uuid id = Uuid::random();
    store.write("meta", RecordKind::meta, id);
    store.write("hello", RecordKind::blob, id);
    EXPECT_EQ(modeOf(store.directory() / "blob" / id.string()), 0600u);
    const DiskStore reopened = DiskStore::open(layout, storeID, key);
    EXPECT_EQ(viewOf(reopened.read(RecordKind::blob, id)), "hello");
    EXPECT_EQ(codeOf<StoreError>([&] { reopened.read(RecordKind::thumb, id); }),
              StoreError::Code::missingRecord);
    EXPECT_EQ(codeOf<StoreError>([&] { DiskStore::open(layout, "MISSING", key); }),
              StoreError::Code::missingManifest);

    const Uuid lower = Uuid::random();
    std::string lowerName = lower.string();
    std::transform(lowerName.begin(), lowerName.end(), lowerName.begin(),
                   [](char c) { return std::tolower(c); });
    for (const std::string& name :
         {lowerName, std::string("notes.txt"), "." + Uuid::random().string() + ".tmp"}) {
        put(store.directory() / "meta" / name, "x");
    }
    EXPECT_EQ(store.ids(RecordKind::meta), (std::set<Uuid>{id, lower}));
    store.deleteRecords(id);
    EXPECT_EQ(store.ids(RecordKind::meta), std::set<Uuid>{lower});
    EXPECT_TRUE(store.ids(RecordKind::blob).empty());
}

} // namespace
} // namespace snipstack
