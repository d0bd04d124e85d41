#include "app/editors/TextEditorState.h"

#include "app/system/richtext/FormattedText.h"
#include "tests/app/system/richtext/RichTextSupport.h"

#include <QTextBlock>
#include <gtest/gtest.h>

namespace snipstack {
namespace {

TextEditorState richState(const std::string& rtf) {
    auto document = formattedText(testing::payload({{"public.rtf", rtf}, {"public.utf8-plain-text", "x"}}));
    EXPECT_NE(document, nullptr);
    return TextEditorState("x", std::move(document));
}

TEST(TextEditorState, FormattedTextOpensRichAndPlainTextInTheSystemFontAt13Points) {
    TextEditorState rich("One", formattedText(testing::payload({{"public.rtf", "{\\rtf1 {\\b One}}"}})));
    EXPECT_TRUE(rich.isRich());
    EXPECT_TRUE(rich.textView()->acceptRichText());
    EXPECT_EQ(rich.textView()->toPlainText(), "One");

    TextEditorState plain("<b>One</b>", nullptr);
    EXPECT_FALSE(plain.isRich());
    EXPECT_FALSE(plain.textView()->acceptRichText());
    EXPECT_EQ(plain.textView()->toPlainText(), "<b>One</b>");
    EXPECT_EQ(plain.textView()->document()->defaultFont().pointSizeF(), 13);
    EXPECT_EQ(plain.textView()->document()->documentMargin(), TextEditorState::textInset);
    EXPECT_FALSE(plain.isEmpty());
    EXPECT_TRUE(TextEditorState("", nullptr).isEmpty());
}

TEST(TextEditorState, LightTextGetsADarkPageWithAWhiteCaretAndOtherTextAWhitePage) {
    const auto white = richState("{\\rtf1{\\colortbl;\\red255\\green255\\blue255;}\\cf1 White text}");
    EXPECT_EQ(white.textView()->palette().color(QPalette::Base).rgb(), qRgb(31, 31, 31));
    EXPECT_EQ(white.textView()->palette().color(QPalette::Text), QColor(Qt::white));

    const auto uncoloured = richState("{\\rtf1 Text without a colour}");
    EXPECT_EQ(uncoloured.textView()->palette().color(QPalette::Base), QColor(Qt::white));
    EXPECT_EQ(uncoloured.textView()->palette().color(QPalette::Text), QColor(Qt::black));
}

TEST(TextEditorState, ShowsWideImagesAt500PointsAndCannotUndoThat) {
    std::string hex;
    for (const auto byte : testing::imageBytes(Qt::red, 2000, 401)) {
        hex += "0123456789abcdef"[byte >> 4];
        hex += "0123456789abcdef"[byte & 0xF];
    }
    const auto state = richState("{\\rtf1{\\pict\\pngblip " + hex + "}}");
    const auto block = state.textView()->document()->begin();
    const auto image = block.begin().fragment().charFormat().toImageFormat();
    EXPECT_EQ(image.width(), 500);
    EXPECT_EQ(image.height(), 100);
    EXPECT_FALSE(state.textView()->document()->isUndoAvailable());
}

TEST(TextEditorState, BoldFollowsTheSelectionStartAndUnderlineToggles) {
    auto state = richState("{\\rtf1 {\\b Bold} plain}");
    QTextEdit& view = *state.textView();
    view.selectAll();
    state.toggleBold();
    EXPECT_FALSE(view.currentCharFormat().font().bold());
    state.toggleBold();
    state.toggleUnderline();
    QTextCursor end(view.document());
    end.movePosition(QTextCursor::End);
    EXPECT_TRUE(end.charFormat().font().bold());
    EXPECT_TRUE(end.charFormat().font().underline());
    state.toggleUnderline();
    EXPECT_FALSE(end.charFormat().font().underline());
}

} // namespace
} // namespace snipstack
