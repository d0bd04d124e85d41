#include "app/editors/TextEditorView.h"

#include "app/model/AppModel.h"
#include "app/system/richtext/FormattedText.h"
#include "tests/support/ModelTestSupport.h"

#include <QLineEdit>
#include <QTest>

namespace snipstack::testing {
namespace {

// An editor opened on an entry the model holds, as the window registry opens it.
class TextEditorViewTest : public ModelFixture {
protected:
    ClipItem original;
    std::unique_ptr<TextEditorView> view;

    void openOnCopiedRtf() {
        startModel();
        clock = clock.adding(1);
        pasteboard.setContent(
            {.representations = {{"public.rtf", bytesOf("{\\rtf1 Some text}")},
                                 {std::string(PasteboardType::plainText), bytesOf("Some text")}}});
        pollNow();
        original = model->items().front();
        model->edit(original);
        view = std::make_unique<TextEditorView>(
            *model, new TextEditorState("Some text", formattedText(model->history().payload(original.id))));
        view->show();
    }
};

TEST_F(TextEditorViewTest, SavingAddsTheFormattedTextAsANewEntryAndKeepsTheOriginal) {
    openOnCopiedRtf();
    ASSERT_TRUE(view->state().isRich());
    view->state().textView()->selectAll();
    view->state().toggleBold();
    view->saveButton()->click();

    ASSERT_EQ(model->items().size(), 2u);
    const ClipItem saved = model->items().front();
    EXPECT_EQ(saved.text, "Some text");
    EXPECT_EQ(model->items().back().id, original.id);
    const auto payload = model->history().payload(saved.id);
    ASSERT_FALSE(payload.representations.empty());
    EXPECT_EQ(payload.representations.front().type, "public.rtf");
    const auto& rtf = payload.representations.front().data;
    EXPECT_NE(std::string(rtf.begin(), rtf.end()).find("\\b"), std::string::npos);
    EXPECT_FALSE(view->isVisible());
    EXPECT_EQ(workspace.activated.size(), 1u);
}

TEST_F(TextEditorViewTest, CancelAddsNothingAndEndsTheEditorOnce) {
    openOnCopiedRtf();
    view->cancelButton()->click();
    EXPECT_FALSE(view->isVisible());
    EXPECT_EQ(model->items().size(), 1u);
    EXPECT_EQ(workspace.activated.size(), 1u);

    // Had the editor ended again, the front application of this second edit would be activated.
    model->edit(original);
    view->close();
    EXPECT_EQ(workspace.activated.size(), 1u);
}

TEST_F(TextEditorViewTest, EmptyTextCannotBeSaved) {
    openOnCopiedRtf();
    view->state().textView()->clear();
    EXPECT_FALSE(view->saveButton()->isEnabled());
    view->state().textView()->setPlainText("Again");
    EXPECT_TRUE(view->saveButton()->isEnabled());
}

TEST_F(TextEditorViewTest, EscapeClosesTheFindBarBeforeItCancelsTheEditor) {
    openOnCopiedRtf();
    view->state().textView()->setPlainText("one two one");
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    QTest::keyClick(view->state().textView(), Qt::Key_F, Qt::ControlModifier);
    auto* field = view->findChild<QLineEdit*>();
    ASSERT_TRUE(field->isVisible());
    QTest::keyClicks(field, "one");
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClick(field, Qt::Key_Return);
    // Past the last match the search wraps around to the first.
    EXPECT_EQ(view->state().textView()->textCursor().selectionStart(), 0);

    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(field->isVisible());
    // A button's shortcut clicks it a moment later.
    runEventsFor(std::chrono::milliseconds(300));
    EXPECT_TRUE(view->isVisible());
    QTest::keyClick(view->state().textView(), Qt::Key_Escape);
    EXPECT_TRUE(waitUntil([&] { return !view->isVisible(); }));
    EXPECT_EQ(workspace.activated.size(), 1u);
    EXPECT_EQ(model->items().size(), 1u);
}

} // namespace
} // namespace snipstack::testing
