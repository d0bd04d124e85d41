#include "core/model/History.h"

#include "core/model/ContentHash.h"
#include "core/store/StoreError.h"
#include "tests/core/model/RecordingBackend.h"

#include <gtest/gtest.h>

namespace snipstack {
namespace {

using testing::RecordingBackend;

ClipDraft textDraft(const std::string& text, ClipKind kind = ClipKind::text) {
    ClipDraft draft;
    draft.kind = kind;
    draft.text = text;
    draft.payload = ClipPayload{{{"public.utf8-plain-text", bytesOf(text)}}};
    draft.contentHash = contentHash(bytesOf(text));
    return draft;
}

Date at(double seconds) {
    return Date{seconds};
}

std::vector<std::string> textsOf(const History& history) {
    std::vector<std::string> texts;
    for (const auto& item : history.items()) {
        texts.push_back(item.text);
    }
    return texts;
}

struct HistoryTest : ::testing::Test {
    std::shared_ptr<RecordingBackend> backend = std::make_shared<RecordingBackend>();
    History history{backend, 500};
};

TEST_F(HistoryTest, LoadingSortsNewestFirstStablyAndAppliesTheLimit) {
    auto stored = std::make_shared<MemoryBackend>();
    const double times[] = {10, 30, 20, 30, 5};
    for (int i = 0; i < 5; ++i) {
        ClipItem item;
        item.id = Uuid::random();
        item.lastUsedAt = at(times[i]);
        item.text = std::to_string(i);
        item.isPinned = i == 4;
        stored->saveItem(item);
    }
    // Equal times keep the backend's order; the old pinned entry survives the limit in place.
    std::vector<std::string> expected;
    for (const auto& item : stored->loadItems()) {
        if (item.lastUsedAt == at(30)) {
            expected.push_back(item.text);
        }
    }
    expected.insert(expected.end(), {"2", "4"});
    EXPECT_EQ(textsOf(History(stored, 3)), expected);
    EXPECT_EQ(stored->items().size(), 4u);
}

TEST_F(HistoryTest, AddingWritesPayloadBeforeMetadataAndCutsLongText) {
    ClipDraft draft = textDraft("hello");
    draft.thumbnail = bytesOf("png");
    draft.sourceAppName = "Editor";
    const ClipItem item = history.add(draft, at(100));
    EXPECT_EQ(backend->calls, (std::vector<std::string>{"savePayload", "saveItem"}));
    ClipItem expected;
    expected.id = item.id;
    expected.createdAt = expected.lastUsedAt = at(100);
    expected.text = "hello";
    expected.sourceAppName = "Editor";
    expected.contentHash = draft.contentHash;
    expected.byteCount = 5;
    EXPECT_EQ(item, expected);
    EXPECT_EQ(history.payload(item.id), draft.payload);
    EXPECT_EQ(history.thumbnail(item.id), bytesOf("png"));

    std::string longText;
    for (int i = 0; i < 150'000; ++i) {
        longText += (i % 2) ? "e\u0301" : "\U0001F44D\U0001F3FD";
    }
    const ClipItem cut = history.add(textDraft(longText), at(101));
    EXPECT_EQ(cut.text, longText.substr(0, 50'000 * (3 + 8)));
}

TEST_F(HistoryTest, FailedWritesLeaveMemoryAsTheFailureFoundIt) {
    backend->failing = "savePayload";
    EXPECT_THROW(history.add(textDraft("a"), at(1)), std::runtime_error);
    EXPECT_TRUE(history.items().empty());

    backend->failing = "saveItem";
    EXPECT_THROW(history.add(textDraft("a"), at(1)), std::runtime_error);
    EXPECT_TRUE(history.items().empty());
    EXPECT_EQ(backend->memory.payloads().size(), 1u);

    backend->failing = "";
    const ClipItem first = history.add(textDraft("first"), at(2));
    history.add(textDraft("second"), at(3));
    backend->failing = "saveItem";
    EXPECT_THROW(history.moveToTop(first.id, at(4)), std::runtime_error);
    EXPECT_EQ(history.items().front().id, first.id);
    EXPECT_EQ(history.items().front().lastUsedAt, at(4));

    backend->failing = "saveThumbnail";
    EXPECT_THROW(history.setRichPreview(bytesOf("img"), first.id), std::runtime_error);
    EXPECT_FALSE(history.items().front().hasRichPreview);
}

TEST_F(HistoryTest, DuplicatesMoveToTheTopAndKeepTheirIdentity) {
    const ClipItem first = history.add(textDraft("same"), at(1));
    history.setPinned(true, first.id);
    ClipItem expected = history.items().front();
    history.add(textDraft("other"), at(2));
    backend->calls.clear();

    // Everything but the time of use stays, whatever the new capture says.
    ClipDraft again = textDraft("same");
    again.text = "a different display text";
    expected.lastUsedAt = at(3);
    EXPECT_EQ(history.add(again, at(3)), expected);
    EXPECT_EQ(backend->calls, std::vector<std::string>{"saveItem"});
    EXPECT_EQ(history.items().size(), 2u);

    history.add(textDraft("same", ClipKind::file), at(4));
    EXPECT_EQ(history.items().size(), 3u);
}

TEST_F(HistoryTest, CountLimitSparesPinnedEntriesAndFollowsEveryChange) {
    history.setMaxItems(3);
    std::vector<ClipItem> added;
    for (int i = 0; i < 5; ++i) {
        added.push_back(history.add(textDraft("item" + std::to_string(i)), at(i)));
        if (i < 2) {
            history.setPinned(true, added.back().id);
        }
    }
    EXPECT_EQ(history.items().size(), 5u);
    history.add(textDraft("item5"), at(5));
    EXPECT_EQ(textsOf(history), (std::vector<std::string>{"item5", "item4", "item3", "item1", "item0"}));
    EXPECT_EQ(backend->memory.items().size(), 5u);

    // item0 lies beyond the limit once unpinned.
    history.setPinned(false, added[0].id);
    EXPECT_EQ(textsOf(history), (std::vector<std::string>{"item5", "item4", "item3", "item1"}));
    EXPECT_FALSE(backend->memory.payloads().contains(added[0].id));

    history.setMaxItems(0);
    EXPECT_EQ(textsOf(history), (std::vector<std::string>{"item5", "item1"}));

    struct Negative : HistoryLimitPolicy {
        int effectiveLimit(int) const override { return -4; }
    };
    history.setLimitPolicy(std::make_shared<Negative>());
    EXPECT_EQ(history.items().size(), 2u);
    history.setMaxItems(10);
    EXPECT_EQ(textsOf(history), std::vector<std::string>{"item1"});
}

TEST_F(HistoryTest, ExpiryClearAndDeleteRemoveOnlyWhatTheySay) {
    const ClipItem old = history.add(textDraft("old"), at(10));
    const ClipItem edge = history.add(textDraft("edge"), at(20));
    const ClipItem pinned = history.add(textDraft("pinned"), at(5));
    history.setPinned(true, pinned.id);
    history.add(textDraft("new"), at(30));

    EXPECT_EQ(history.expire(at(20)), 1);
    EXPECT_EQ(textsOf(history), (std::vector<std::string>{"new", "pinned", "edge"}));
    EXPECT_FALSE(backend->memory.items().contains(old.id));
    EXPECT_EQ(history.expire(at(20)), 0);

    history.deleteItem(edge.id);
    backend->calls.clear();
    history.deleteItem(Uuid::random());
    EXPECT_EQ(backend->calls, std::vector<std::string>{"delete"});

    history.clear(true);
    EXPECT_EQ(textsOf(history), std::vector<std::string>{"pinned"});
    EXPECT_EQ(backend->memory.items().size(), 1u);
    history.clear(false);
    EXPECT_TRUE(history.items().empty());
    EXPECT_TRUE(backend->memory.items().empty());
}

TEST_F(HistoryTest, ChangingAnEntryKeepsItsPlaceAndSavesIt) {
    const ClipItem a = history.add(textDraft("a"), at(1));
    history.add(textDraft("b"), at(2));
    history.setOCRText(std::string(100'005, 'x'), a.id);
    history.setRichPreview(std::nullopt, a.id);
    EXPECT_EQ(history.items()[1].id, a.id);
    EXPECT_EQ(history.items()[1].ocrText->size(), 100'000u);
    EXPECT_EQ(history.items()[1].hasRichPreview, false);
    EXPECT_EQ(backend->memory.items().at(a.id), history.items()[1]);

    backend->memory.saveThumbnail(bytesOf("old thumb"), a.id);
    history.setRichPreview(std::nullopt, a.id);
    EXPECT_EQ(history.thumbnail(a.id), bytesOf("old thumb"));
    history.setRichPreview(bytesOf("rendered"), a.id);
    EXPECT_EQ(history.items()[1].hasRichPreview, true);
    EXPECT_EQ(history.thumbnail(a.id), bytesOf("rendered"));
}

TEST_F(HistoryTest, MigrationCopiesEverythingOrStaysOnTheOldBackend) {
    ClipDraft withThumb = textDraft("one");
    withThumb.thumbnail = bytesOf("thumb");
    const ClipItem one = history.add(withThumb, at(1));
    history.add(textDraft("two"), at(2));

    auto failing = std::make_shared<RecordingBackend>();
    failing->failing = "saveItem";
    EXPECT_THROW(history.migrate(failing), std::runtime_error);
    EXPECT_EQ(history.backend(), backend);

    auto target = std::make_shared<MemoryBackend>();
    history.migrate(target);
    EXPECT_EQ(history.backend(), target);
    EXPECT_EQ(target->items().size(), 2u);
    EXPECT_EQ(target->loadThumbnail(one.id), bytesOf("thumb"));
    EXPECT_EQ(target->loadPayload(one.id), backend->memory.loadPayload(one.id));
    EXPECT_EQ(backend->memory.items().size(), 2u);
}

TEST(MemoryBackend, MissingPayloadIsTheStoresMissingRecordErrorAndThumbnailsFollowPayloads) {
    MemoryBackend backend;
    const Uuid id = Uuid::random();
    try {
        backend.loadPayload(id);
        ADD_FAILURE() << "a missing payload loaded";
    } catch (const StoreError& error) {
        EXPECT_EQ(error.code(), StoreError::Code::missingRecord);
    }
    backend.saveThumbnail(bytesOf("t"), id);
    backend.savePayload(ClipPayload{}, std::nullopt, id);
    EXPECT_FALSE(backend.loadThumbnail(id));
}

} // namespace
} // namespace snipstack
