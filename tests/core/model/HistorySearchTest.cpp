#include "core/model/ContentHash.h"
#include "core/model/History.h"
#include "core/model/MemoryBackend.h"

#include <gtest/gtest.h>

namespace snipstack {
namespace {

using Texts = std::vector<std::string>;

struct HistorySearchTest : ::testing::Test {
    History history{std::make_shared<MemoryBackend>(), 500};

    ClipItem add(const std::string& text, std::optional<std::string> app = std::nullopt) {
        ClipDraft draft;
        draft.text = text;
        draft.contentHash = contentHash(bytesOf(text));
        draft.sourceAppName = std::move(app);
        return history.add(draft, Date{static_cast<double>(history.items().size())});
    }

    Texts find(std::string_view query) {
        Texts texts;
        for (const auto& item : history.search(query)) {
            texts.push_back(item.text);
        }
        return texts;
    }
};

// Folding and splitting words are UnicodeTextTest's; here, how the words of a query combine.
TEST_F(HistorySearchTest, EveryWordMustOccurInTheTextRecognisedTextOrAppName) {
    add("café au lait");
    add("Straße 5");
    const ClipItem shot = add("screenshot", "Firefox");
    history.setOCRText("invoice total", shot.id);
    EXPECT_EQ(find("CAFE"), Texts{"café au lait"});
    EXPECT_EQ(find("lait\tau caf"), Texts{"café au lait"});
    EXPECT_EQ(find("lait au lait"), Texts{"café au lait"});
    EXPECT_EQ(find("strasse"), Texts{"Straße 5"});
    EXPECT_EQ(find("café tea"), Texts{});
    EXPECT_EQ(find("firefox invoice"), Texts{"screenshot"});
    EXPECT_EQ(find("shotinvoice"), Texts{});
    EXPECT_EQ(find("totalfire"), Texts{});
    // Blank queries match everything; a combining mark alone folds to nothing and is no word.
    EXPECT_EQ(find("\u3000\u00A0\n \u0301"), (Texts{"screenshot", "Straße 5", "café au lait"}));
}

TEST_F(HistorySearchTest, RepeatedSearchesFollowEveryChangeToTheList) {
    const ClipItem apple = add("apple pie");
    const ClipItem pear = add("pear tart");
    add("apple juice");
    EXPECT_EQ(find("apple"), (Texts{"apple juice", "apple pie"}));
    history.moveToTop(apple.id, Date{10});
    EXPECT_EQ(find("apple"), (Texts{"apple pie", "apple juice"}));
    history.deleteItem(apple.id);
    add("crab apple");
    EXPECT_EQ(find("apple"), (Texts{"crab apple", "apple juice"}));
    history.setOCRText("apple", pear.id);
    EXPECT_EQ(find("apple"), (Texts{"crab apple", "apple juice", "pear tart"}));
    history.setOCRText("pear", pear.id);
    EXPECT_EQ(find("apple"), (Texts{"crab apple", "apple juice"}));
}

TEST_F(HistorySearchTest, KeysOfDeletedEntriesAreDroppedOnceTheyOutnumberTheLiveOnes) {
    std::vector<ClipItem> added;
    for (int i = 0; i < 100; ++i) {
        added.push_back(add("entry " + std::to_string(i)));
    }
    find("entry");
    for (int i = 10; i < 100; ++i) {
        history.deleteItem(added[i].id);
    }
    EXPECT_EQ(find("entry").size(), 10u);
    EXPECT_EQ(history.searchKeys().size(), 10u);
}

} // namespace
} // namespace snipstack
