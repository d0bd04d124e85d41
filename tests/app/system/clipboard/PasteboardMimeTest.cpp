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

// Covered end to end by the X11 tests: what we write, file lists, and the images Qt and GTK offer.
TEST(PasteboardMimeTest, OneImageTargetIsChosenByPreferenceSpelledAsOffered) {
    EXPECT_EQ(chosenImageTarget({"image/bmp", "image/jpeg", "IMAGE/PNG", "image/tiff"}), "IMAGE/PNG");
    EXPECT_EQ(chosenImageTarget({"image/x-MS-bmp", "image/GIF", "image/jpeg"}), "image/jpeg");
    EXPECT_EQ(chosenImageTarget({"image/x-MS-bmp", "image/bmp"}), "image/bmp");
    EXPECT_EQ(chosenImageTarget({"image/x-icon", "text/plain"}), std::nullopt);
}

} // namespace
} // namespace snipstack::pasteboard_mime
