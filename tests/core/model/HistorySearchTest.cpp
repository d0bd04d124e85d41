#include "core/model/ContentHash.h"
#include "core/model/History.h"
#include "core/model/MemoryBackend.h"

#include <gtest/gtest.h>

namespace snipstack {
namespace {

struct HistorySearchTest : ::testing::Test {
    History history{std::make_shared<MemoryBackend>(), 500};

    ClipItem add(const std::string& text, std::optional<std::string> app = std::nullopt) {
        ClipDraft draft;
        draft.text = text;
        draft.contentHash = contentHash(bytesOf(text));
        draft.sourceAppName = std::move(app);
        return history.add(draft, Date{static_cast<double>(history.items().size())});
    }

    std::vector<std::string> find(std::string_view query) {
        std::vector<std::string> texts;
        for (const auto& item : history.search(query)) {
            texts.push_back(item.text);
        }
        return texts;
    }
};

TEST_F(HistorySearchTest, EveryWordMustOccurIgnoringCaseAndAccents) {
    add("café au lait");
    add("Straße 5");
    add("ÉCOLE normale");
    add("plain text");
    using Texts = std::vector<std::string>;
    EXPECT_EQ(find("CAFE"), Texts{"café au lait"});
    EXPECT_EQ(find("au caf"), Texts{"café au lait"});
    EXPECT_EQ(find("lait\tau"), Texts{"café au lait"});
    EXPECT_EQ(find("lait au lait"), Texts{"café au lait"});
    EXPECT_EQ(find("strasse"), Texts{"Straße 5"});
    EXPECT_EQ(find("école"), Texts{"ÉCOLE normale"});
    EXPECT_EQ(find("e"), (Texts{"plain text", "ÉCOLE normale", "Straße 5", "café au lait"}));
    EXPECT_EQ(find("café tea"), Texts{});
    EXPECT_EQ(find("İ ı"), Texts{});
}

TEST_F(HistorySearchTest, BlankQueriesMatchAllAndWordsSplitOnEveryWhitespace) {
    add("alpha beta");
    add("gamma");
    EXPECT_EQ(find("  "), (std::vector<std::string>{"gamma", "alpha beta"}));
    EXPECT_EQ(find("\u3000\u00A0\n"), (std::vector<std::string>{"gamma", "alpha beta"}));
    // A combining mark alone folds to nothing and is dropped as a word.
    EXPECT_EQ(find("\u0301"), (std::vector<std::string>{"gamma", "alpha beta"}));
    EXPECT_EQ(find("alpha\u2003beta\u2028"), std::vector<std::string>{"alpha beta"});
    EXPECT_EQ(find("alpha\u00A0gamma"), std::vector<std::string>{});
}

TEST_F(HistorySearchTest, SearchesRecognisedTextAndAppNameButNotAcrossThem) {
    const ClipItem shot = add("screenshot", "Firefox");
    history.setOCRText("invoice total", shot.id);
    EXPECT_EQ(find("firefox").size(), 1u);
    EXPECT_EQ(find("invoice").size(), 1u);
    EXPECT_TRUE(find("shotinvoice").empty());
    EXPECT_TRUE(find("totalfire").empty());

    // A changed entry is searched under its new text at once.
    history.setOCRText("receipt", shot.id);
    EXPECT_TRUE(find("invoice").empty());
    EXPECT_EQ(find("receipt").size(), 1u);
}

TEST_F(HistorySearchTest, RepeatedSearchesFollowEveryChangeToTheList) {
    const ClipItem apple = add("apple pie");
    const ClipItem pear = add("pear tart");
    add("apple juice");
    EXPECT_EQ(find("apple"), (std::vector<std::string>{"apple juice", "apple pie"}));
    history.moveToTop(apple.id, Date{10});
    EXPECT_EQ(find("apple"), (std::vector<std::string>{"apple pie", "apple juice"}));
    history.deleteItem(apple.id);
    add("crab apple");
    EXPECT_EQ(find("apple"), (std::vector<std::string>{"crab apple", "apple juice"}));
    history.setOCRText("apple", pear.id);
    EXPECT_EQ(find("apple"), (std::vector<std::string>{"crab apple", "apple juice", "pear tart"}));
}

TEST_F(HistorySearchTest, StaleKeysArePrunedOnlyPastTwiceTheEntriesPlus64) {
    std::vector<ClipItem> added;
    for (int i = 0; i < 84; ++i) {
        added.push_back(add("entry " + std::to_string(i)));
    }
    find("entry");
    for (int i = 10; i < 84; ++i) {
        history.deleteItem(added[i].id);
    }
    // 10 entries: up to 2 * 10 + 64 = 84 keys are kept as they are.
    find("entry");
    EXPECT_EQ(history.searchKeys().size(), 84u);

    const ClipItem extra = add("extra");
    find("entry");
    history.deleteItem(extra.id);
    EXPECT_EQ(history.searchKeys().size(), 85u);
    EXPECT_EQ(find("entry").size(), 10u);
    EXPECT_EQ(history.searchKeys().size(), 10u);
}

} // namespace
} // namespace snipstack
