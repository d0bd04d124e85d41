#include <gtest/gtest.h>

#include <cmath>

#include "core/model/ClipCoding.h"
#include "core/model/ContentHash.h"

namespace snipstack {
namespace {

ClipItem fullItem() {
    ClipItem item;
    item.id = Uuid::random();
    item.createdAt = Date{757382400.123456};
    item.lastUsedAt = Date{757382461.5};
    item.kind = ClipKind::image;
    item.text = "Screenshot — 1280 × 720";
    item.ocrText = "Total: 42 €";
    item.sourceAppName = "Éditeur";
    item.sourceBundleID = "org.gnome.TextEditor";
    item.isPinned = true;
    item.contentHash = contentHash(bytesOf("pixels"));
    item.byteCount = 5'000'000'000;
    item.imageWidth = 1280;
    item.imageHeight = 720;
    item.hasRichPreview = false;
    return item;
}

plist::Dictionary& dictionaryOf(plist::Value& value) { return std::get<plist::Dictionary>(value.content); }

void removeKey(plist::Value& value, std::string_view key) {
    std::erase_if(dictionaryOf(value), [&](const auto& entry) { return entry.first == key; });
}

TEST(ClipPayload, QueriesFindTheFirstRepresentationOfATypeAndSumSizes) {
    ClipPayload empty;
    EXPECT_EQ(empty.byteCount(), 0);
    EXPECT_EQ(empty.dataForType("public.utf8-plain-text"), nullptr);

    ClipPayload payload{{{"public.html", bytesOf("<b>a</b>")}, {"public.html", bytesOf("second")}, {"x", {}}}};
    ASSERT_NE(payload.dataForType("public.html"), nullptr);
    EXPECT_EQ(*payload.dataForType("public.html"), bytesOf("<b>a</b>"));
    EXPECT_EQ(payload.dataForType("public.HTML"), nullptr);
    EXPECT_EQ(payload.byteCount(), 14);
}

TEST(ContentHash, IsTheSha256Digest) {
    const Bytes digest = contentHash(bytesOf("abc"));
    const Bytes expected{0xba, 0x78, 0x16, 0xbf, 0x8f, 0x01, 0xcf, 0xea, 0x41, 0x41, 0x40, 0xde, 0x5d, 0xae, 0x22, 0x23,
                         0xb0, 0x03, 0x61, 0xa3, 0x96, 0x17, 0x7a, 0x9c, 0xb4, 0x10, 0xff, 0x61, 0xf2, 0x00, 0x15, 0xad};
    EXPECT_EQ(digest, expected);
}

TEST(Uuid, WritesUpperCaseAndReadsEitherCase) {
    const auto id = Uuid::parse("0f8fad5b-d9cb-469f-a165-70867728950e");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->string(), "0F8FAD5B-D9CB-469F-A165-70867728950E");
    EXPECT_EQ(Uuid::parse(id->string()), id);
    EXPECT_FALSE(Uuid::parse("0f8fad5b-d9cb-469f-a165-70867728950"));
    EXPECT_FALSE(Uuid::parse("0f8fad5bd-9cb-469f-a165-70867728950e"));
    EXPECT_FALSE(Uuid::parse("0f8fad5b-d9cb-469f-a165-70867728950g"));
    EXPECT_NE(Uuid::random(), Uuid::random());
}

TEST(ClipItemStoredForm, RoundTripsEveryFieldAndOmitsAbsentOptionals) {
    const ClipItem item = fullItem();
    EXPECT_EQ(decodeClipItem(viewOf(encodeClipItem(item))), item);

    ClipItem bare = item;
    bare.ocrText.reset();
    bare.sourceAppName.reset();
    bare.sourceBundleID.reset();
    bare.imageWidth.reset();
    bare.imageHeight.reset();
    bare.hasRichPreview.reset();
    const plist::Value stored = storedForm(bare);
    for (const char* key : {"ocrText", "sourceAppName", "sourceBundleID", "imageWidth", "imageHeight", "hasRichPreview"}) {
        EXPECT_EQ(plist::find(std::get<plist::Dictionary>(stored.content), key), nullptr) << key;
    }
    EXPECT_EQ(decodeClipItem(viewOf(encodeClipItem(bare))), bare);

    // false is a value of its own, distinct from absent.
    const plist::Value withFalse = storedForm(item);
    EXPECT_EQ(*plist::find(std::get<plist::Dictionary>(withFalse.content), "hasRichPreview"), plist::Value(false));
    ClipItem other = item;
    other.hasRichPreview.reset();
    EXPECT_NE(other, item);
}

TEST(ClipItemStoredForm, RejectsIncompleteOrMistypedRecordsAndIgnoresUnknownKeys) {
    const plist::Value good = storedForm(fullItem());
    for (const char* key : {"id", "createdAt", "lastUsedAt", "kind", "text", "isPinned", "contentHash", "byteCount"}) {
        plist::Value damaged = good;
        removeKey(damaged, key);
        EXPECT_THROW(clipItemFromStoredForm(damaged), DecodingError) << key;
    }
    auto withValue = [&](std::string_view key, plist::Value value) {
        plist::Value changed = good;
        for (auto& entry : dictionaryOf(changed)) {
            if (entry.first == key) {
                entry.second = std::move(value);
            }
        }
        return changed;
    };
    EXPECT_THROW(clipItemFromStoredForm(withValue("kind", "video")), DecodingError);
    EXPECT_THROW(clipItemFromStoredForm(withValue("isPinned", 1)), DecodingError);
    EXPECT_THROW(clipItemFromStoredForm(withValue("createdAt", 12.0)), DecodingError);
    EXPECT_THROW(clipItemFromStoredForm(withValue("lastUsedAt", Date{std::nan("")})), DecodingError);
    EXPECT_THROW(clipItemFromStoredForm(withValue("ocrText", Bytes{})), DecodingError);
    EXPECT_THROW(clipItemFromStoredForm(withValue("id", "not-a-uuid")), DecodingError);
    EXPECT_THROW(clipItemFromStoredForm(plist::Value(plist::Array{})), DecodingError);
    EXPECT_THROW(decodeClipItem("bplist00 but not really"), DecodingError);

    const std::string lowerId = "0f8fad5b-d9cb-469f-a165-70867728950e";
    EXPECT_EQ(clipItemFromStoredForm(withValue("id", lowerId)).id, *Uuid::parse(lowerId));

    plist::Value extra = good;
    dictionaryOf(extra).emplace_back("addedLater", plist::Value(true));
    EXPECT_EQ(clipItemFromStoredForm(extra), clipItemFromStoredForm(good));
}

TEST(ClipPayloadStoredForm, RoundTripsInOrderAndRejectsMalformedRepresentations) {
    ClipPayload payload{{{"public.utf8-plain-text", bytesOf("hello")},
                         {"public.html", bytesOf("<p>hello</p>")},
                         {"public.utf8-plain-text", {}}}};
    EXPECT_EQ(decodeClipPayload(viewOf(encodeClipPayload(payload))), payload);
    EXPECT_EQ(decodeClipPayload(viewOf(encodeClipPayload(ClipPayload{}))), ClipPayload{});

    plist::Value broken = storedForm(payload);
    auto& representations = std::get<plist::Array>(dictionaryOf(broken).front().second.content);
    removeKey(representations[1], "data");
    EXPECT_THROW(clipPayloadFromStoredForm(broken), DecodingError);
}

} // namespace
} // namespace snipstack
