#include "app/shell/AppWindows.h"

#include "app/editors/TextEditorView.h"
#include "tests/support/ModelTestSupport.h"

#include <QApplication>

namespace snipstack::testing {
namespace {

class AppWindowsTest : public ModelFixture {
protected:
    AppWindows appWindows;
    std::unique_ptr<StatusItem> statusItem;

    void SetUp() override {
        startModel();
        statusItem = appWindows.makeStatusItem(*model);
    }

    ClipItem copy(std::vector<ClipRepresentation> representations) {
        clock = clock.adding(1);
        pasteboard.setContent({.representations = std::move(representations)});
        pollNow();
        return model->items().front();
    }

    TextEditorView* editorOf(const ClipItem& item) {
        QWidget* window = appWindows.window("edit-" + QString::fromStdString(item.id.string()));
        return window ? window->findChild<TextEditorView*>() : nullptr;
    }

    static int openEditors() {
        int count = 0;
        for (const QWidget* widget : QApplication::topLevelWidgets()) {
            count += widget->isVisible() && widget->findChild<TextEditorView*>() != nullptr;
        }
        return count;
    }
};

TEST_F(AppWindowsTest, AnEntryOpensOneEditorRichWhenFormattedAndPlainOtherwise) {
    const ClipItem rich = copy({{"public.rtf", bytesOf("{\\rtf1 Rich}")},
                                {std::string(PasteboardType::plainText), bytesOf("Rich")}});
    appWindows.openTextEditor(rich, model->history().payload(rich.id));
    appWindows.openTextEditor(rich, model->history().payload(rich.id));
    EXPECT_EQ(openEditors(), 1);
    TextEditorView* editor = editorOf(rich);
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->state().isRich());
    EXPECT_EQ(editor->window()->windowTitle(), "Edit Text");
    EXPECT_EQ(editor->window()->size(), QSize(620, 460));

    const ClipItem plain = copy({{std::string(PasteboardType::plainText), bytesOf("Plain")}});
    appWindows.openTextEditor(plain, model->history().payload(plain.id));
    EXPECT_EQ(openEditors(), 2);
    ASSERT_NE(editorOf(plain), nullptr);
    EXPECT_FALSE(editorOf(plain)->state().isRich());
    EXPECT_EQ(editorOf(plain)->state().textView()->toPlainText(), "Plain");

    editor->cancelButton()->click();
    EXPECT_EQ(openEditors(), 1);
}

} // namespace
} // namespace snipstack::testing
