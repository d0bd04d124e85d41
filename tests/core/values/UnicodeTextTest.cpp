#include "core/values/UnicodeText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <thread>
#include <unicode/unistr.h>
#include <vector>

namespace snipstack::unicode {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(UnicodeTextPrefix, KeepsEveryKindOfClusterWhole) {
    const char* clusters[] = {
        "\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466", // family ZWJ sequence
        "\U0001F1E9\U0001F1EA",                                       // flag
        "\U0001F44D\U0001F3FD",                                       // thumbs up with skin tone
        "e\u0301",                                                    // combining acute
        "\u1100\u1161\u11A8",                                         // Hangul jamo syllable
        "\r\n",
    };
    for (const std::string cluster : clusters) {
        EXPECT_EQ(prefixOfCharacters(cluster + cluster + "x", 1), cluster);
        EXPECT_EQ(prefixOfCharacters(cluster + cluster + "x", 2), cluster + cluster);
        EXPECT_EQ(prefixOfCharacters(cluster + "x", 0), "");
    }
}

TEST(UnicodeTextPrefix, CutsLongTextToExactlyTheLimit) {
    const std::string pattern = "\u00E9e\u0301\U0001F1E9\U0001F1EA"; // three characters
    std::string text;
    for (int i = 0; i < 50000; ++i) {
        text += pattern;
    }
    EXPECT_EQ(prefixOfCharacters(text, 100000), text.substr(0, 33333 * pattern.size() + 2));
    const std::string invalid = "ab\xff\x80\xc3\xe2\x82";
    EXPECT_TRUE(invalid.starts_with(prefixOfCharacters(invalid, 3)));
}

TEST(UnicodeTextFold, RemovesCaseAndDiacritics) {
    EXPECT_EQ(foldForSearch("\u00C9 \u00E9 E\u0301 e"), "e e e e");
    EXPECT_EQ(foldForSearch("Stra\u00DFe \u1E9E"), "strasse ss");
    EXPECT_EQ(foldForSearch("\u0130stanbul \u0131l\u0131k"), "istanbul \u0131l\u0131k");
    EXPECT_EQ(foldForSearch("\u039F\u0394\u039F\u03A3 \u03BF\u03B4\u03BF\u03C2"),
              "\u03BF\u03B4\u03BF\u03C3 \u03BF\u03B4\u03BF\u03C3");
    EXPECT_EQ(foldForSearch("Cr\u00E8me Br\u00FBl\u00E9e, NA\u00CFVE!"), "creme brulee, naive!");
}

TEST(UnicodeTextFold, TreatsCanonicallyEquivalentTextAlike) {
    EXPECT_EQ(foldForSearch("\u1F80"), foldForSearch("\u03B1\u0313\u0345"));
    EXPECT_EQ(foldForSearch("\u1EC7"), foldForSearch("e\u0302\u0323"));
    EXPECT_EQ(foldForSearch("\u212B"), foldForSearch("A\u030A"));
    // Spacing marks of different combining classes swap places under NFD.
    EXPECT_EQ(foldForSearch("\u00C9\U0001D16D\U0001D165"), foldForSearch("e\U0001D165\U0001D16D"));
}

TEST(UnicodeTextFold, ReplacesInvalidUtf8) {
    EXPECT_EQ(foldForSearch("x\xC3y\xE2\x82z\xFF\xC0\xAF"), "x\uFFFDy\uFFFDz\uFFFD\uFFFD\uFFFD");
}

TEST(UnicodeTextFold, FoldsConcurrentlyFromFirstUse) {
    // Scripts no other test folds, so the threads race to fill the same empty table pages.
    std::vector<std::string> results(8);
    {
        std::vector<std::jthread> threads;
        for (std::string& result : results) {
            threads.emplace_back(
                [&result] { result = foldForSearch("\U00010400\U0001E900\U000104B0\u10A0"); });
        }
    }
    EXPECT_THAT(results, Each("\U00010428\U0001E922\U000104D8\u2D00"));
}

TEST(UnicodeTextSplit, SplitsAtEveryWhiteSpaceCharacter) {
    std::string text = "\u00E9";
    for (UChar32 space : {0x09,   0x0A,   0x0B,   0x0C,   0x0D,   0x20,   0x85,   0xA0,   0x1680,
                          0x2000, 0x2001, 0x2002, 0x2003, 0x2004, 0x2005, 0x2006, 0x2007, 0x2008,
                          0x2009, 0x200A, 0x2028, 0x2029, 0x202F, 0x205F, 0x3000}) {
        icu::UnicodeString(space).toUTF8String(text);
        text += "\u00E9";
    }
    EXPECT_EQ(splitAtWhitespace(text), std::vector<std::string>(26, "\u00E9"));
    EXPECT_THAT(splitAtWhitespace(" \t\r\n one\u00A0\u3000 two  "), ElementsAre("one", "two"));
    EXPECT_THAT(splitAtWhitespace("zero\u200Bwidth\xC2"), ElementsAre("zero\u200Bwidth\xC2"));
    EXPECT_THAT(splitAtWhitespace(" \u2029 "), IsEmpty());
}

} // namespace
} // namespace snipstack::unicode
