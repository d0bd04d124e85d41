#include "core/model/DiskBackend.h"

#include "core/model/ClipCoding.h"
#include "core/model/ContentHash.h"
#include "core/model/History.h"
#include "core/store/CryptoError.h"
#include "core/store/StoreError.h"
#include "tests/core/store/StoreTestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace snipstack {
namespace {

using namespace testing;

ClipDraft textDraft(const std::string& text) {
    ClipDraft draft;
    draft.text = text;
    draft.payload = ClipPayload{{{"public.utf8-plain-text", bytesOf(text)}}};
    draft.contentHash = contentHash(bytesOf(text));
    return draft;
}

struct DiskBackendTest : TempFolderTest {
    SymmetricKey key = makeKey(Cipher::aes256GCM);
    std::optional<DiskStore> store;
    std::shared_ptr<DiskBackend> backend;

    void SetUp() override {
        TempFolderTest::SetUp();
        store = DiskStore::create(StoreLayout(dir), key, "KEY", Cipher::aes256GCM, Date{1});
        backend = std::make_shared<DiskBackend>(*store);
    }
    DiskBackend reopened(const SymmetricKey& with) const {
        return DiskBackend(DiskStore::open(StoreLayout(dir), store->manifest().storeID, with));
    }
    fs::path file(RecordKind kind, const Uuid& id) const { return store->recordURL(kind, id); }
    // A complete entry, written in the order History::add uses.
    ClipItem saveEntry(const std::string& text, std::optional<Bytes> thumbnail = {}) {
        ClipItem item;
        item.id = Uuid::random();
        item.text = text;
        backend->savePayload(textDraft(text).payload, thumbnail, item.id);
        backend->saveItem(item);
        return item;
    }
};

TEST_F(DiskBackendTest, HistoryPersistsAcrossReopenWithNothingInClear) {
    const std::string marker = "SNIPSTACK-CLEAR-MARKER";
    ClipDraft withThumbnail = textDraft(marker + " one");
    withThumbnail.thumbnail = bytesOf(marker + " thumbnail");
    std::vector<ClipItem> before;
    {
        History history(backend, 500);
        history.setPinned(true, history.add(withThumbnail, Date{100}).id);
        history.add(textDraft(marker + " two"), Date{200});
        before = history.items();
    }
    History after(std::make_shared<DiskBackend>(reopened(key)), 500);
    ASSERT_EQ(after.items(), before);
    EXPECT_EQ(after.payload(before[1].id), withThumbnail.payload);
    EXPECT_EQ(after.thumbnail(before[1].id), withThumbnail.thumbnail);
    EXPECT_FALSE(after.thumbnail(before[0].id));

    const std::string keyBytes(viewOf(Bytes(key.bytes().begin(), key.bytes().end())));
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        const std::string content = entry.is_regular_file() ? contentOf(entry.path()) : "";
        EXPECT_EQ(content.find(marker), std::string::npos) << entry.path();
        EXPECT_EQ(content.find(keyBytes), std::string::npos) << entry.path();
    }
}

TEST_F(DiskBackendTest, LoadingRepairsDamageButNotAStoreOpenedWithTheWrongKey) {
    const ClipItem good = saveEntry("good", bytesOf("thumb"));
    fs::remove(file(RecordKind::blob, saveEntry("meta without blob").id));
    fs::remove(file(RecordKind::meta, saveEntry("blob without meta", bytesOf("thumb")).id));
    fs::resize_file(file(RecordKind::meta, saveEntry("truncated meta", bytesOf("thumb")).id), 20);
    put(file(RecordKind::meta, saveEntry("meta not sealed").id), "plain text");
    store->write("not a property list", RecordKind::meta, saveEntry("meta not a property list").id);
    const ClipItem unpinned = saveEntry("meta without isPinned");
    plist::Dictionary stored = *storedForm(unpinned).as<plist::Dictionary>();
    std::erase_if(stored, [](const auto& entry) { return entry.first == "isPinned"; });
    store->write(viewOf(plist::encode(plist::Value(std::move(stored)))), RecordKind::meta, unpinned.id);
    // A thumbnail alone is never listed, so the repair leaves it.
    const Uuid strayThumbnail = Uuid::random();
    store->write("thumb", RecordKind::thumb, strayThumbnail);

    const auto tree = treeOf(dir);
    EXPECT_TRUE(reopened(makeKey(Cipher::aes256GCM)).loadItems().empty());
    EXPECT_EQ(treeOf(dir), tree);
    EXPECT_EQ(backend->loadItems(), std::vector<ClipItem>{good});
    EXPECT_EQ(store->ids(RecordKind::meta), std::set<Uuid>{good.id});
    EXPECT_EQ(store->ids(RecordKind::blob), std::set<Uuid>{good.id});
    EXPECT_EQ(store->ids(RecordKind::thumb), (std::set<Uuid>{good.id, strayThumbnail}));
}

TEST_F(DiskBackendTest, PayloadFailuresAndThumbnailsKeptAcrossSaves) {
    EXPECT_EQ(codeOf<StoreError>([&] { backend->loadPayload(Uuid::random()); }),
              StoreError::Code::missingRecord);
    const Uuid id = Uuid::random();
    const ClipPayload second{{{"public.utf8-plain-text", bytesOf("text")}, {"public.html", bytesOf("<b>")}}};
    backend->savePayload(ClipPayload{{{"public.png", bytesOf("png")}}}, bytesOf("thumb"), id);
    backend->savePayload(second, std::nullopt, id);
    EXPECT_EQ(backend->loadPayload(id), second);
    EXPECT_EQ(backend->loadThumbnail(id), bytesOf("thumb"));
    std::string blob = contentOf(file(RecordKind::blob, id));
    blob.back() ^= 0x01;
    put(file(RecordKind::blob, id), blob);
    EXPECT_EQ(codeOf<CryptoError>([&] { backend->loadPayload(id); }),
              CryptoError::Code::authenticationFailure);
    // Entries that are merely malformed are repaired even when none opens.
    put(file(RecordKind::meta, id), "junk");
    EXPECT_TRUE(backend->loadItems().empty());
    EXPECT_TRUE(treeOf(store->directory() / "blob").empty() && treeOf(store->directory() / "thumb").empty());
}

} // namespace
} // namespace snipstack
