#include "app/editors/ImageEditorView.h"

#include "app/editors/AnnotationCanvas.h"
#include "app/editors/ImageSaveFormatPicker.h"
#include "app/editors/RecognizedTextOverlay.h"
#include "app/model/AppModel.h"
#include "tests/support/ModelTestSupport.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

namespace snipstack::testing {
namespace {

// An editor opened on an image entry the model holds, as the window registry opens it.
class ImageEditorViewTest : public ModelFixture {
protected:
    ClipItem original;
    Bytes originalBytes;
    std::unique_ptr<ImageEditorView> view;

    void openOnCopiedImage() {
        startModel();
        clock = clock.adding(1);
        const ClipDraft draft = imageDraft(Qt::white, QSize(200, 100));
        originalBytes = draft.payload.representations.front().data;
        pasteboard.setContent({.representations = {{std::string(PasteboardType::png), originalBytes}}});
        pollNow();
        original = model->items().front();
        model->edit(original);
        auto state = ImageEditorState::make(originalBytes, model->preferences(), [this](Bytes bytes) {
            return model->recognizeText(std::move(bytes));
        });
        view = std::make_unique<ImageEditorView>(*model, state.release());
        view->resize(ImageEditorView::contentSize);
        view->show();
        ASSERT_TRUE(waitUntil([&] { return view->state().recognitionDone(); }));
    }

    std::string clipboardText() const {
        for (const auto& representation : pasteboard.content().representations) {
            if (representation.type == PasteboardType::plainText) {
                return std::string(representation.data.begin(), representation.data.end());
            }
        }
        return {};
    }

    void press(const QKeySequence& keys) {
        view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
        QTest::keySequence(view.get(), keys);
    }
};

TEST_F(ImageEditorViewTest, SavingAddsTheDrawingAsANewEntryAndKeepsTheOriginal) {
    openOnCopiedImage();
    view->toolButton(AnnotationTool::pen)->click();
    view->state().setPenThickness(PenThickness::marker);
    AnnotationCanvas& canvas = *view->state().canvas();
    canvas.mouseDown({0.2, 0.5});
    canvas.mouseDragged({0.8, 0.5});
    canvas.mouseUp();
    EXPECT_TRUE(view->undoButton()->isEnabled());
    view->saveButton()->click();

    ASSERT_EQ(model->items().size(), 2u);
    const ClipItem saved = model->items().front();
    EXPECT_EQ(saved.sourceAppName, AppModel::editorSourceName);
    const auto payload = model->history().payload(saved.id);
    ASSERT_EQ(payload.representations.size(), 1u);
    const auto& png = payload.representations.front().data;
    EXPECT_EQ(QImage::fromData(png.data(), int(png.size())).pixel(100, 49), QColor(0xFF, 0x3B, 0x30).rgb());
    EXPECT_EQ(model->items().back().id, original.id);
    EXPECT_EQ(model->history().payload(original.id).representations.front().data, originalBytes);
    EXPECT_FALSE(view->isVisible());
    EXPECT_EQ(workspace.activated.size(), 1u);
}

TEST_F(ImageEditorViewTest, SavingWhileTheHistoryIsLockedKeepsTheEditorOpenAndSaysSo) {
    openOnCopiedImage();
    model->preferences().setRequireAuth(true);
    desktop.wakeHandler();
    ASSERT_TRUE(waitUntil([&] { return model->isLocked(); }));
    view->saveButton()->click();
    EXPECT_TRUE(view->isVisible());
    auto* alert = view->window()->findChild<QMessageBox*>();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->text(), "Could not save the image");
    EXPECT_TRUE(workspace.activated.empty());
}

TEST_F(ImageEditorViewTest, TheHintAndTheToolControlsFollowTheTool) {
    desktop.recognized = std::nullopt;
    openOnCopiedImage();
    EXPECT_EQ(view->hint(), "No text was recognised in this image.");
    EXPECT_FALSE(view->copyAllTextButton()->isEnabled());
    view->toolButton(AnnotationTool::crop)->click();
    EXPECT_EQ(view->hint(), "Drag over the part of the image you want to keep.");
    EXPECT_TRUE(view->cropButton()->isVisible());
    EXPECT_FALSE(view->cropButton()->isEnabled());
    EXPECT_FALSE(view->copyAllTextButton()->isVisible());
    view->state().canvas()->mouseDown({0.1, 0.1});
    view->state().canvas()->mouseDragged({0.6, 0.6});
    view->state().canvas()->mouseUp();
    EXPECT_EQ(view->hint(), "Press Crop to Selection, or drag again to choose a different area.");
    // Return crops.
    press(QKeySequence(Qt::Key_Return));
    EXPECT_EQ(view->state().image().size(), QSize(100, 50));
    press(QKeySequence(Qt::CTRL | Qt::Key_Equal));
    EXPECT_EQ(view->zoomLabel()->text(), "150%");
    press(QKeySequence(Qt::CTRL | Qt::Key_0));
    EXPECT_EQ(view->zoomLabel()->text(), "100%");
    press(QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(view->state().image().size(), QSize(200, 100));
}

TEST_F(ImageEditorViewTest, SelectedWordsAndAllTheTextGoToTheClipboard) {
    desktop.recognized = "Quarterly invoice\ntotal";
    desktop.recognizedWords = {{"Quarterly", QRect(10, 10, 60, 12)},
                               {"invoice", QRect(80, 10, 50, 12)},
                               {"total", QRect(10, 40, 40, 12)}};
    openOnCopiedImage();
    EXPECT_EQ(view->hint(), "Drag over text in the image to select it, then press Ctrl+C to copy.");

    // A drag from the middle of "invoice" to "total" in the view.
    RecognizedTextOverlay& overlay = *view->state().overlay();
    const double scale = overlay.width() / 200.0;
    QTest::mousePress(&overlay, Qt::LeftButton, {}, QPointF(100 * scale, 16 * scale).toPoint());
    QTest::mouseMove(&overlay, QPointF(20 * scale, 46 * scale).toPoint());
    QTest::mouseRelease(&overlay, Qt::LeftButton, {}, QPointF(20 * scale, 46 * scale).toPoint());
    EXPECT_EQ(overlay.selectedText(), "invoice\ntotal");
    press(QKeySequence::Copy);
    EXPECT_EQ(clipboardText(), "invoice\ntotal");
    EXPECT_EQ(RecognizedTextOverlay::textOf(desktop.recognizedWords, 0, 2), "Quarterly invoice\ntotal");

    QSignalSpy requested(view.get(), &ImageEditorView::textEditorRequested);
    view->copyAllTextButton()->click();
    EXPECT_EQ(clipboardText(), "Quarterly invoice\ntotal");
    ASSERT_EQ(requested.size(), 1);
    EXPECT_EQ(requested.front().front().toString(), "Quarterly invoice\ntotal");
    EXPECT_FALSE(view->isVisible());
    // The text editor taking over hands the focus back when it closes, not this one.
    EXPECT_TRUE(workspace.activated.empty());
}

TEST_F(ImageEditorViewTest, SaveToFileProposesANameWhoseExtensionFollowsTheFormat) {
    openOnCopiedImage();
    QFileDialog panel;
    panel.setOption(QFileDialog::DontUseNativeDialog);
    panel.setAcceptMode(QFileDialog::AcceptSave);
    ImageSaveFormatPicker picker(panel);
    panel.selectFile("Snipstack Image.png");
    picker.setFormat(ImageFileFormat::gif);
    EXPECT_EQ(panel.findChild<QLineEdit*>("fileNameEdit")->text(), "Snipstack Image.gif");
    EXPECT_EQ(panel.defaultSuffix(), "gif");

    const QString path = folder.filePath("out.gif");
    ASSERT_TRUE(view->writeFile(path, ImageFileFormat::gif));
    EXPECT_EQ(QImage(path, "GIF").size(), QSize(200, 100));

    EXPECT_FALSE(view->writeFile(folder.filePath("missing/folder/out.png"), ImageFileFormat::png));
    auto* alert = view->window()->findChild<QMessageBox*>();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->text(), "Could not save the image");
    EXPECT_FALSE(alert->informativeText().isEmpty());
}

} // namespace
} // namespace snipstack::testing
