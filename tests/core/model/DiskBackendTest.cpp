#include "core/model/DiskBackend.h"

#include "core/model/ClipCoding.h"
#include "core/store/CryptoError.h"
#include "core/store/StoreError.h"
#include "core/store/StoreFiles.h"
#include "tests/core/store/StoreTestSupport.h"

#include <gtest/gtest.h>

namespace snipstack {
namespace {

using namespace testing;

struct DiskBackendTest : TempFolderTest {
    const SymmetricKey key = makeKey(Cipher::aes256GCM);
    const DiskStore store = DiskStore::create(StoreLayout(dir), key, "KEY", Cipher::aes256GCM, Date{1});
    DiskBackend backend{store};

    // A complete entry, written in the order History::add uses.
    ClipItem saveEntry(const std::string& text, std::optional<Bytes> thumbnail = {}) {
        ClipItem item;
        item.id = Uuid::random();
        item.text = text;
        backend.savePayload(ClipPayload{{{"public.utf8-plain-text", bytesOf(text)}}}, thumbnail, item.id);
        backend.saveItem(item);
        return item;
    }
};

TEST_F(DiskBackendTest, EntriesPersistAcrossReopenWithNothingInClear) {
    const std::string marker = "SNIPSTACK-CLEAR-MARKER";
    const ClipItem item = saveEntry(marker, bytesOf(marker + " thumbnail"));
    DiskBackend again(DiskStore::open(StoreLayout(dir), store.manifest().storeID, key));
    EXPECT_EQ(again.loadItems(), std::vector<ClipItem>{item});
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        for (const std::string& secret : {marker, std::string(key.bytes().begin(), key.bytes().end())})
            EXPECT_EQ(viewOf(readFile(entry).value_or(Bytes{})).find(secret), std::string::npos) << entry;
}

TEST_F(DiskBackendTest, LoadingRepairsDamageButNotAStoreOpenedWithTheWrongKey) {
    const ClipItem good = saveEntry("good", bytesOf("thumb"));
    fs::remove(store.recordURL(RecordKind::blob, saveEntry("meta without blob").id));
    fs::remove(store.recordURL(RecordKind::meta, saveEntry("blob without meta", bytesOf("thumb")).id));
    fs::resize_file(store.recordURL(RecordKind::meta, saveEntry("truncated meta", bytesOf("thumb")).id), 20);
    // Metas that open but do not decode, or decode to an entry other than the one named by the file.
    const ClipItem unpinned = saveEntry("meta without isPinned");
    plist::Dictionary stored = *storedForm(unpinned).as<plist::Dictionary>();
    std::erase_if(stored, [](const auto& field) { return field.first == "isPinned"; });
    store.write(viewOf(plist::encode(plist::Value(std::move(stored)))), RecordKind::meta, unpinned.id);
    store.write(viewOf(encodeClipItem(good)), RecordKind::meta, saveEntry("meta of another entry").id);

    const auto tree = treeOf(dir);
    const Sealer wrongKey(makeKey(Cipher::aes256GCM), store.manifest().storeID, Cipher::aes256GCM);
    EXPECT_EQ(codeOf<CryptoError>(
                  [&] { DiskBackend(DiskStore(store.directory(), store.manifest(), wrongKey)).loadItems(); }),
              CryptoError::Code::authenticationFailure);
    EXPECT_EQ(treeOf(dir), tree);
    // A key that does not fit the manifest's cipher fails the open itself.
    StoreManifest otherCipher = store.manifest();
    otherCipher.cipher = Cipher::chaCha20Poly1305;
    put(store.directory() / "manifest", std::string(viewOf(otherCipher.encode())));
    EXPECT_EQ(codeOf<CryptoError>([&] {
                  DiskStore::open(StoreLayout(dir), store.manifest().storeID, makeKey(Cipher::aes128GCM));
              }),
              CryptoError::Code::invalidParameterSize);
    EXPECT_EQ(treeOf(dir), tree);
    put(store.directory() / "manifest", std::string(viewOf(store.manifest().encode())));
    EXPECT_EQ(backend.loadItems(), std::vector<ClipItem>{good});
    for (RecordKind kind : allRecordKinds)
        EXPECT_EQ(store.ids(kind), std::set<Uuid>{good.id}) << rawValue(kind);
}

TEST_F(DiskBackendTest, PayloadErrorsThumbnailsKeptAcrossSavesAndMalformedEntriesRepaired) {
    EXPECT_THROW(backend.loadPayload(Uuid::random()), StoreError);
    const Uuid id = saveEntry("first", bytesOf("thumb")).id, copy = Uuid::random();
    const ClipPayload second{{{"public.png", bytesOf("png")}, {"public.tiff", bytesOf("tiff")}}};
    backend.savePayload(second, std::nullopt, id);
    EXPECT_EQ(backend.loadPayload(id), second);
    EXPECT_EQ(backend.loadThumbnail(id), bytesOf("thumb"));
    // A payload copied to another entry does not open there.
    fs::copy_file(store.recordURL(RecordKind::blob, id), store.recordURL(RecordKind::blob, copy));
    EXPECT_EQ(codeOf<CryptoError>([&] { backend.loadPayload(copy); }),
              CryptoError::Code::authenticationFailure);
    // Entries that are merely malformed are repaired even when none opens.
    put(store.recordURL(RecordKind::meta, id), "junk");
    EXPECT_TRUE(backend.loadItems().empty());
    EXPECT_TRUE(treeOf(store.directory() / "blob").empty() && treeOf(store.directory() / "thumb").empty());
}

} // namespace
} // namespace snipstack
