#include "app/editors/ImageEditorState.h"

#include "app/editors/AnnotationCanvas.h"
#include "app/editors/ImageFitting.h"
#include "app/system/preferences/Preferences.h"
#include "tests/support/WaitUntil.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace snipstack {
namespace {

Bytes pngOf(const QImage& image) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return Bytes(png.begin(), png.end());
}

QImage filled(QSize size, const QColor& color, QImage::Format format = QImage::Format_RGB32) {
    QImage image(size, format);
    image.fill(color);
    return image;
}

QImage decoded(const std::optional<Bytes>& bytes) {
    EXPECT_TRUE(bytes.has_value());
    return bytes ? QImage::fromData(bytes->data(), int(bytes->size())) : QImage();
}

int channelDistance(QRgb a, QRgb b) {
    return std::max(
        {std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

class ImageEditorStateTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
    Preferences preferences{folder.filePath("settings.ini")};
    std::vector<Bytes> recognised;
    std::optional<RecognizedText> recognition =
        RecognizedText{"Hello world", {{"Hello", QRect(2, 2, 10, 5)}}};

    std::unique_ptr<ImageEditorState> open(const QImage& image) {
        auto state = ImageEditorState::make(pngOf(image), preferences, [this](Bytes bytes) {
            recognised.push_back(std::move(bytes));
            return QtFuture::makeReadyFuture(recognition);
        });
        EXPECT_NE(state, nullptr);
        return state;
    }

    static void drag(AnnotationCanvas& canvas, QPointF from, QPointF to) {
        canvas.mouseDown(from);
        canvas.mouseDragged(to);
        canvas.mouseUp();
    }
};

TEST_F(ImageEditorStateTest, UndecodableBytesOpenNothing) {
    EXPECT_EQ(ImageEditorState::make(
                  Bytes{1, 2, 3}, preferences,
                  [](Bytes) { return QtFuture::makeReadyFuture(std::optional<RecognizedText>()); }),
              nullptr);
}

TEST_F(ImageEditorStateTest, AClickHighlightsNothingButDrawsAOnePointStroke) {
    auto state = open(filled({200, 200}, Qt::white));
    AnnotationCanvas& canvas = *state->canvas();
    state->setTool(AnnotationTool::highlight);
    drag(canvas, {0.5, 0.5}, {0.501, 0.7});
    EXPECT_EQ(state->annotationCount(), 0);

    state->setTool(AnnotationTool::pen);
    state->setPenThickness(PenThickness::marker);
    // The centre of pixel (100, 100).
    canvas.mouseDown({100.5 / 200, 1 - 100.5 / 200});
    canvas.mouseUp();
    ASSERT_EQ(state->annotationCount(), 1);
    EXPECT_EQ(std::get<Annotation::Stroke>(canvas.annotations().front().shape).size(), 1u);
    // The click leaves a dot of the marker's 4.4 pixels in the rendered image.
    const QImage rendered = decoded(state->render());
    EXPECT_EQ(rendered.pixel(100, 100), state->penColor().rgb());
    EXPECT_EQ(rendered.pixel(100, 104), qRgb(255, 255, 255));
}

TEST_F(ImageEditorStateTest, RenderingBurnsInStrokesAndHighlightsAtTheImagesPixelSize) {
    auto state = open(filled({200, 100}, Qt::white));
    AnnotationCanvas& canvas = *state->canvas();
    state->setPenColor(QColor(0, 0, 255));
    state->setPenThickness(PenThickness::marker);
    state->setTool(AnnotationTool::pen);
    // A horizontal stroke a quarter of the way up: y = 75 from the top in pixels.
    drag(canvas, {0.1, 0.25}, {0.9, 0.25});
    state->setHighlightColor(QColor(255, 0, 0));
    state->setTool(AnnotationTool::highlight);
    // The top-right quarter.
    drag(canvas, {0.5, 0.5}, {1.0, 1.0});
    // Neither the stroke being drawn nor a crop selection is rendered.
    state->setTool(AnnotationTool::pen);
    canvas.mouseDown({0.05, 0.9});
    canvas.mouseDragged({0.3, 0.9});

    const QImage rendered = decoded(state->render());
    ASSERT_EQ(rendered.size(), QSize(200, 100));
    // The marker is 0.022 × 200 = 4.4 pixels wide around y = 75.
    EXPECT_EQ(rendered.pixel(100, 73), qRgb(0, 0, 255));
    EXPECT_EQ(rendered.pixel(100, 76), qRgb(0, 0, 255));
    EXPECT_EQ(rendered.pixel(100, 70), qRgb(255, 255, 255));
    EXPECT_EQ(rendered.pixel(5, 75), qRgb(255, 255, 255));
    // Red at 30% over white.
    EXPECT_LE(channelDistance(rendered.pixel(150, 25), qRgb(255, 178, 178)), 1);
    EXPECT_EQ(rendered.pixel(50, 25), qRgb(255, 255, 255));
    EXPECT_EQ(rendered.pixel(30, 10), qRgb(255, 255, 255));
    // Colours and thickness are kept for the next editor.
    EXPECT_EQ(preferences.penThickness(), PenThickness::marker);
    EXPECT_EQ(Preferences(folder.filePath("settings.ini")).penColor(), QColor(0, 0, 255));
}

TEST_F(ImageEditorStateTest, CropSelectionsUnderOnePercentAndCropsUnderTwoPixelsDoNothing) {
    auto state = open(filled({100, 100}, Qt::white));
    AnnotationCanvas& canvas = *state->canvas();
    state->setTool(AnnotationTool::crop);
    drag(canvas, {0.2, 0.2}, {0.6, 0.205});
    EXPECT_FALSE(state->hasCropSelection());
    EXPECT_FALSE(state->cropToSelection());

    // 1.2% of the width is enough for a selection, but on a 10-pixel-wide image it is one pixel.
    auto narrow = open(filled({10, 400}, Qt::white));
    narrow->setTool(AnnotationTool::crop);
    drag(*narrow->canvas(), {0.2, 0.2}, {0.2 + 0.012, 0.8});
    ASSERT_TRUE(narrow->hasCropSelection());
    EXPECT_EQ(ImageEditorState::cropPixels(*narrow->canvas()->cropSelection(), {10, 400}).width(), 1);
    EXPECT_FALSE(narrow->cropToSelection());
    EXPECT_EQ(narrow->image().size(), QSize(10, 400));
}

TEST_F(ImageEditorStateTest, CropPixelsAreRoundedOutwardsFromTheBottomLeftOrigin) {
    // 0.1 × 11 = 1.1 rounds down to 1; 0.5 × 11 = 5.5 rounds up to 6; the top is (1 − 0.6) × 7 = 2.8.
    EXPECT_EQ(ImageEditorState::cropPixels(QRectF(0.1, 0.2, 0.4, 0.4), {11, 7}),
              QRect(QPoint(1, 2), QPoint(5, 5)));
    // Whole pixels stay whole despite rounding errors (0.1 × 10 is not exactly 1).
    EXPECT_EQ(ImageEditorState::cropPixels(QRectF(0.1, 0.1, 0.2, 0.3), {10, 10}), QRect(1, 6, 2, 3));
    EXPECT_EQ(ImageEditorState::cropPixels(QRectF(0.5, 0, 0.5, 1), {11, 7}), QRect(5, 0, 6, 7));
}

TEST_F(ImageEditorStateTest, UndoTakesTheStrokeThenTheCropThenTheMarksFromBeforeIt) {
    QImage image = filled({100, 50}, Qt::white);
    auto state = open(image);
    AnnotationCanvas& canvas = *state->canvas();
    state->setTool(AnnotationTool::pen);
    drag(canvas, {0.1, 0.1}, {0.2, 0.2});
    drag(canvas, {0.3, 0.3}, {0.4, 0.4});
    state->setTool(AnnotationTool::crop);
    drag(canvas, {0.0, 0.0}, {0.5, 1.0});
    ASSERT_TRUE(state->cropToSelection());
    EXPECT_EQ(state->image().size(), QSize(50, 50));
    EXPECT_EQ(state->annotationCount(), 0);
    EXPECT_FALSE(state->hasCropSelection());
    // The marks are now pixels of the cut-out.
    EXPECT_NE(state->image().pixel(15, 42), qRgb(255, 255, 255));
    state->setTool(AnnotationTool::pen);
    drag(canvas, {0.5, 0.5}, {0.6, 0.6});

    state->undo();
    EXPECT_EQ(state->annotationCount(), 0);
    EXPECT_EQ(state->image().size(), QSize(50, 50));
    state->undo();
    EXPECT_EQ(state->image().size(), QSize(100, 50));
    EXPECT_EQ(state->annotationCount(), 2);
    state->undo();
    EXPECT_EQ(state->annotationCount(), 1);
    EXPECT_EQ(std::get<Annotation::Stroke>(canvas.annotations().front().shape).front(), QPointF(0.1, 0.1));
    state->undo();
    state->undo();
    EXPECT_FALSE(state->canUndo());
}

TEST_F(ImageEditorStateTest, ZoomStepsByHalvesBetween100And1200Percent) {
    auto state = open(filled({400, 300}, Qt::white));
    for (int i = 0; i < 4; ++i) {
        state->zoom(ImageEditorState::zoomInFactor);
    }
    EXPECT_EQ(state->zoomPercent(), 506);
    state->zoom(ImageEditorState::zoomInFactor);
    state->zoom(ImageEditorState::zoomInFactor);
    state->zoom(ImageEditorState::zoomInFactor);
    EXPECT_EQ(state->zoomPercent(), 1200);
    state->resetZoom();
    EXPECT_EQ(state->zoomPercent(), 100);
    state->zoom(ImageEditorState::zoomOutFactor);
    EXPECT_EQ(state->zoomPercent(), 100);
}

TEST_F(ImageEditorStateTest, TheImageIsFittedInWholePointsAndCentred) {
    EXPECT_EQ(fittedImageFrame({3840, 2160}, {1000, 600}), QRect(0, 19, 1000, 563));
    EXPECT_EQ(fittedImageFrame({40, 30}, {1000, 600}), QRect(100, 0, 800, 600));
    EXPECT_EQ(fittedImageFrame({101, 100}, {1000, 600}), QRect(197, 0, 606, 600));
}

TEST_F(ImageEditorStateTest, RecognitionFillsTheTranscriptAndRunsAgainForACutOut) {
    auto state = open(filled({100, 100}, Qt::white));
    ASSERT_TRUE(testing::waitUntil([&] { return state->recognitionDone(); }));
    EXPECT_EQ(state->transcript(), "Hello world");
    ASSERT_EQ(recognised.size(), 1u);

    recognition.reset();
    state->setTool(AnnotationTool::crop);
    drag(*state->canvas(), {0.0, 0.0}, {0.5, 0.5});
    ASSERT_TRUE(state->cropToSelection());
    EXPECT_TRUE(state->transcript().isEmpty());
    ASSERT_TRUE(testing::waitUntil([&] { return state->recognitionDone(); }));
    // The cut-out itself was recognised, and found nothing.
    ASSERT_EQ(recognised.size(), 2u);
    EXPECT_EQ(decoded(recognised.back()).size(), QSize(50, 50));
    EXPECT_TRUE(state->transcript().isEmpty());
}

TEST_F(ImageEditorStateTest, JpegShowsTransparencyWhiteAndGifKeepsTheLook) {
    QImage clear = filled({60, 40}, Qt::transparent, QImage::Format_ARGB32);
    for (int x = 0; x < 30; ++x) {
        for (int y = 0; y < 40; ++y) {
            clear.setPixel(x, y, qRgba(0, 128, 0, 255));
        }
    }
    auto state = open(clear);
    const QImage jpeg = decoded(state->encodedImage(ImageFileFormat::jpeg));
    ASSERT_EQ(jpeg.size(), QSize(60, 40));
    EXPECT_LE(channelDistance(jpeg.pixel(50, 20), qRgb(255, 255, 255)), 3);
    EXPECT_LE(channelDistance(jpeg.pixel(10, 20), qRgb(0, 128, 0)), 12);
    const QImage gif = decoded(state->encodedImage(ImageFileFormat::gif));
    ASSERT_EQ(gif.size(), QSize(60, 40));
    EXPECT_EQ(gif.pixel(10, 20), qRgb(0, 128, 0));
    EXPECT_EQ(qAlpha(gif.pixel(50, 20)), 0);

    // A gradient of more than 256 colours is reduced to a palette close to it.
    QImage gradient(256, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 256; ++x) {
            gradient.setPixel(x, y, qRgb(x, y * 4, 255 - x));
        }
    }
    const QImage reduced = decoded(open(gradient)->encodedImage(ImageFileFormat::gif));
    ASSERT_EQ(reduced.size(), gradient.size());
    int worst = 0;
    double total = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 256; ++x) {
            const int distance = channelDistance(reduced.pixel(x, y), gradient.pixel(x, y));
            worst = std::max(worst, distance);
            total += distance;
        }
    }
    EXPECT_LE(worst, 40);
    EXPECT_LE(total / (256 * 64), 16);
}

} // namespace
} // namespace snipstack
