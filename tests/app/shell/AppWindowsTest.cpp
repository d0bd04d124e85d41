#include "app/shell/AppWindows.h"

#include "app/editors/ImageEditorView.h"
#include "app/editors/TextEditorView.h"
#include "tests/support/ModelTestSupport.h"

#include <QApplication>
#include <QPointer>

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

TEST_F(AppWindowsTest, AnImageEntryOpensOneImageEditorWhoseTextGoesToATextEditor) {
    const ClipDraft draft = imageDraft(Qt::white, QSize(80, 60));
    const Bytes png = draft.payload.representations.front().data;
    const ClipItem image = copy({{std::string(PasteboardType::png), png}});
    const QString uuid = QString::fromStdString(image.id.string());
    ASSERT_EQ(uuid, uuid.toUpper());
    const QString key = "edit-" + uuid;
    appWindows.openImageEditor(image, png);
    QPointer<QWidget> first = appWindows.window(key);
    appWindows.openImageEditor(image, png);
    QWidget* window = appWindows.window(key);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(window->windowTitle(), "Edit Image");
    EXPECT_EQ(window->size(), QSize(1000, 700));

    // Recognition answers for the fake desktop; its text goes to a new text editor.
    auto* editor = window->findChild<ImageEditorView*>();
    ASSERT_TRUE(waitUntil([&] { return editor->copyAllTextButton()->isEnabled(); }));
    editor->copyAllTextButton()->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(openEditors(), 1);
    ASSERT_TRUE(waitUntil([&] { return appWindows.window(key) == nullptr; }));

    appWindows.openImageEditor(image, Bytes{0x89, 'P', 'N', 'G'});
    EXPECT_EQ(appWindows.window(key), nullptr);
}

} // namespace
} // namespace snipstack::testing
