#include "app/system/clipboard/PasteboardMime.h"

#include "app/system/clipboard/Pasteboard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace snipstack::pasteboard_mime {
namespace {

using ::testing::ElementsAre;

TEST(PasteboardMimeTest, TextVariantsAreOneRepresentationAndX11BookkeepingNone) {
    for (const char* target :
         {"text/plain;charset=utf-8", "text/plain;charset=UTF-8", "UTF8_STRING", "text/plain", "STRING"}) {
        EXPECT_EQ(identifierForTarget(target), PasteboardType::plainText) << target;
    }
    for (const char* target : {"TARGETS", "TIMESTAMP", "MULTIPLE", "SAVE_TARGETS", "TEXT", "COMPOUND_TEXT",
                               "application/x-qt-image", "text/plain;charset=utf-16"}) {
        EXPECT_EQ(identifierForTarget(target), std::nullopt) << target;
    }
    EXPECT_EQ(identifierForTarget("application/rtf"), PasteboardType::rtf);
    EXPECT_EQ(identifierForTarget("image/jpeg"), "image/jpeg");
    EXPECT_THAT(targetsToRead(PasteboardType::plainText, {"STRING", "TARGETS", "text/plain;charset=UTF-8"}),
                ElementsAre("text/plain;charset=UTF-8", "STRING"));
    EXPECT_THAT(targetsToRead(PasteboardType::rtf, {"application/rtf", "text/rtf"}),
                ElementsAre("text/rtf", "application/rtf"));
}

TEST(PasteboardMimeTest, WritesUnderTheMimeTypesOtherProgramsAskFor) {
    EXPECT_THAT(mimeTypesForIdentifier(PasteboardType::plainText),
                ElementsAre("text/plain;charset=utf-8", "text/plain"));
    EXPECT_THAT(mimeTypesForIdentifier(PasteboardType::rtf), ElementsAre("text/rtf"));
    EXPECT_THAT(mimeTypesForIdentifier(PasteboardType::concealed), ElementsAre("x-kde-passwordManagerHint"));
    EXPECT_THAT(mimeTypesForIdentifier("com.example.private"), ElementsAre("com.example.private"));
}

TEST(PasteboardMimeTest, URIListsYieldTheirFileURLsAndRoundTrip) {
    const auto list = bytesOf("file:///a%20b\n#comment\r\n\r\nhttp://x.org/\nnot a url\r\nfile://host/c\n");
    const auto urls = fileURLsInURIList(list);
    EXPECT_THAT(urls, ElementsAre("file:///a%20b", "file://host/c"));
    EXPECT_EQ(fileURLsInURIList(uriListOf(urls)), urls);
}

} // namespace
} // namespace snipstack::pasteboard_mime
