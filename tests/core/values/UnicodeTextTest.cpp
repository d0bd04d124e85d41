#include "core/values/UnicodeText.h"

#include <gtest/gtest.h>
#include <thread>
#include <unicode/unistr.h>

namespace snipstack::unicode {
namespace {

TEST(UnicodeTextPrefix, KeepsClustersWholeAndCutsAtTheLimit) {
    // A family ZWJ sequence, a flag, a thumbs up with skin tone, a combining acute, CRLF.
    for (const std::string cluster : {"\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466",
                                      "\U0001F1E9\U0001F1EA", "\U0001F44D\U0001F3FD", "e\u0301", "\r\n"}) {
        EXPECT_EQ(prefixOfCharacters(cluster + cluster + "x", 2), cluster + cluster);
    }
    const std::string pattern = "\u00E9e\u0301\U0001F1E9\U0001F1EA"; // three characters
    std::string text;
    for (int i = 0; i < 50000; ++i) {
        text += pattern;
    }
    EXPECT_EQ(prefixOfCharacters(text, 100000), text.substr(0, 33333 * pattern.size() + 2));
    const std::string invalid = "ab\xff\x80\xc3\xe2\x82";
    EXPECT_TRUE(invalid.starts_with(prefixOfCharacters(invalid, 3)));
}

TEST(UnicodeTextFold, RemovesCaseAndMarksAlikeForEquivalentTextFromAnyThread) {
    EXPECT_EQ(foldForSearch("\u00C9 \u00E9 E\u0301 e, Stra\u00DFe \u1E9E"), "e e e e, strasse ss");
    EXPECT_EQ(foldForSearch("\u0130stanbul \u0131l\u0131k"), "istanbul \u0131l\u0131k");
    EXPECT_EQ(foldForSearch("x\xC3y\xE2\x82z\xFF\xC0\xAF"), "x\uFFFDy\uFFFDz\uFFFD\uFFFD\uFFFD");
    // Composed and decomposed forms side by side.
    EXPECT_EQ(foldForSearch("\u1F80 \u03B1\u0313\u0345 \u1EC7 e\u0302\u0323 \u212B A\u030A"),
              "\u03B1\u03B9 \u03B1\u03B9 e e a a");
    // Spacing marks of different classes, which NFD swaps, send the text through ICU.
    EXPECT_EQ(foldForSearch("\u00C9\U0001D16D\U0001D165 e\U0001D165\U0001D16D"),
              "e\U0001D165\U0001D16D e\U0001D165\U0001D16D");
    // Scripts folded nowhere else, so the threads race to fill the same empty table pages.
    std::vector<std::string> results(8);
    std::vector<std::jthread> threads;
    for (std::string& result : results) {
        threads.emplace_back([&result] { result = foldForSearch("\U00010400\U0001E900\U000104B0\u10A0"); });
    }
    threads.clear(); // joins them
    EXPECT_EQ(results, std::vector<std::string>(8, "\U00010428\U0001E922\U000104D8\u2D00"));
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
    EXPECT_EQ(splitAtWhitespace(" \t\r\n one\u00A0\u3000 two  "), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(splitAtWhitespace("zero\u200Bwidth\xC2"), std::vector<std::string>{"zero\u200Bwidth\xC2"});
}

TEST(UnicodeTextValid, KeepsValidTextAndReplacesEachIllFormedSequence) {
    const std::string valid = "Grüße, 世界 \xF0\x9F\x91\x8D\n";
    EXPECT_EQ(validUTF8(valid), valid);
    // A lone lead byte, a stray continuation, an overlong slash, a surrogate and a code point
    // beyond U+10FFFF are each one U+FFFD; a truncated sequence at the end too.
    EXPECT_EQ(validUTF8("a\xC3"
                        "b\x80"
                        "c\xC0\xAF"
                        "d\xED\xA0\x80"
                        "e\xF4\x90\x80\x80"
                        "f\xE4\xB8"),
              "a\uFFFDb\uFFFDc\uFFFD\uFFFDd\uFFFD\uFFFD\uFFFDe\uFFFD\uFFFD\uFFFD\uFFFDf\uFFFD");
}

} // namespace
} // namespace snipstack::unicode
