#include "core/model/ClipCoding.h"
#include "core/model/ContentHash.h"

#include <cmath>
#include <gtest/gtest.h>

namespace snipstack {
namespace {

ClipItem fullItem() {
    ClipItem item{Uuid::random(),
                  Date{757382400.123456},
                  Date{757382461.5},
                  ClipKind::image,
                  "Screenshot — 1280 × 720",
                  "Total: 42 €",
                  "Éditeur",
                  "org.gnome.TextEditor",
                  true,
                  contentHash(bytesOf("pixels")),
                  5'000'000'000,
                  1280,
                  720,
                  false};
    return item;
}

plist::Value with(plist::Value value, std::string_view key, std::optional<plist::Value> replacement) {
    auto& dictionary = std::get<plist::Dictionary>(value.content);
    std::erase_if(dictionary, [&](const auto& entry) { return entry.first == key; });
    if (replacement) {
        dictionary.emplace_back(std::string(key), std::move(*replacement));
    }
    return value;
}

TEST(ClipPayload, QueriesFindTheFirstRepresentationOfATypeAndSumSizes) {
    ClipPayload payload{
        {{"public.html", bytesOf("<b>a</b>")}, {"public.html", bytesOf("second")}, {"x", {}}}};
    EXPECT_EQ(*payload.dataForType("public.html"), bytesOf("<b>a</b>"));
    EXPECT_EQ(payload.dataForType("public.HTML"), nullptr);
    EXPECT_EQ(payload.byteCount(), 14);
    EXPECT_EQ(contentHash(bytesOf("abc"))[0], 0xba); // SHA-256, not another digest
}

TEST(Uuid, WritesUpperCaseAndReadsEitherCase) {
    const auto id = Uuid::parse("0f8fad5b-d9cb-469f-a165-70867728950e");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->string(), "0F8FAD5B-D9CB-469F-A165-70867728950E");
    EXPECT_EQ(Uuid::parse(id->string()), id);
    for (const char* bad : {"0f8fad5b-d9cb-469f-a165-70867728950", "0f8fad5bd-9cb-469f-a165-70867728950e",
                            "0f8fad5b-d9cb-469f-a165-70867728950g"}) {
        EXPECT_FALSE(Uuid::parse(bad)) << bad;
    }
}

// A round trip covers how absent optionals and a false hasRichPreview are stored; InteropTest checks
// the stored form itself against an independent reader.
TEST(ClipItemStoredForm, RoundTripsWithEveryOptionalPresentOrAbsent) {
    const ClipItem item = fullItem();
    const ClipItem bare{item.id,        item.createdAt, item.lastUsedAt, item.kind,     item.text,
                        std::nullopt,   std::nullopt,   std::nullopt,    item.isPinned, item.contentHash,
                        item.byteCount, std::nullopt,   std::nullopt,    std::nullopt};
    for (const ClipItem& each : {item, bare}) {
        EXPECT_EQ(decodeClipItem(viewOf(encodeClipItem(each))), each);
    }
}

TEST(ClipItemStoredForm, RejectsIncompleteOrMistypedRecordsAndIgnoresUnknownKeys) {
    const plist::Value good = storedForm(fullItem());
    for (const char* key :
         {"id", "createdAt", "lastUsedAt", "kind", "text", "isPinned", "contentHash", "byteCount"}) {
        EXPECT_THROW(clipItemFromStoredForm(with(good, key, std::nullopt)), DecodingError) << key;
    }
    const std::pair<const char*, plist::Value> mistyped[] = {
        {"kind", "video"},    {"isPinned", 1},      {"createdAt", 12.0},   {"lastUsedAt", Date{std::nan("")}},
        {"ocrText", Bytes{}}, {"id", "not-a-uuid"}, {"imageWidth", "wide"}};
    for (const auto& [key, value] : mistyped) {
        EXPECT_THROW(clipItemFromStoredForm(with(good, key, value)), DecodingError) << key;
    }
    EXPECT_THROW(clipItemFromStoredForm(plist::Value(plist::Array{})), DecodingError);
    EXPECT_THROW(decodeClipItem("bplist00 but not really"), DecodingError);

    const std::string lowerId = "0f8fad5b-d9cb-469f-a165-70867728950e";
    EXPECT_EQ(clipItemFromStoredForm(with(good, "id", lowerId)).id, *Uuid::parse(lowerId));
    EXPECT_EQ(clipItemFromStoredForm(with(good, "addedLater", true)), clipItemFromStoredForm(good));
}

TEST(ClipPayloadStoredForm, RoundTripsInOrderAndRejectsMalformedRepresentations) {
    ClipPayload payload{
        {{"public.utf8-plain-text", bytesOf("hello")}, {"public.html", bytesOf("<p>hi</p>")}}};
    EXPECT_EQ(decodeClipPayload(viewOf(encodeClipPayload(payload))), payload);
    EXPECT_EQ(decodeClipPayload(viewOf(encodeClipPayload(ClipPayload{}))), ClipPayload{});

    plist::Value broken = storedForm(payload);
    auto& representations =
        std::get<plist::Array>(std::get<plist::Dictionary>(broken.content)[0].second.content);
    representations[1] = with(representations[1], "data", std::nullopt);
    EXPECT_THROW(clipPayloadFromStoredForm(broken), DecodingError);
}

} // namespace
} // namespace snipstack
