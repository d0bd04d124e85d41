#pragma once

#include "app/editors/Annotation.h"
#include "app/editors/AnnotationTool.h"
#include "app/editors/ImageFileFormat.h"
#include "app/system/ocr/TextRecognition.h"
#include "app/system/preferences/PreferenceTypes.h"
#include "core/values/Bytes.h"

#include <QColor>
#include <QFuture>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QScrollArea>
#include <QString>
#include <QVariantAnimation>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace snipstack {

class AnnotationCanvas;
class EditorImageView;
class ImageContainer;
class Preferences;
class RecognizedTextOverlay;

// One image editor's image, marks and views: the scroll view with the image, the recognised-text
// overlay and the drawing canvas over it; cropping, undo, zoom, rendering and text recognition.
// The entry it was opened from is never touched: the image changes only by cropping in here.
class ImageEditorState final : public QObject {
    Q_OBJECT
    Q_PROPERTY(snipstack::AnnotationTool tool READ tool WRITE setTool NOTIFY toolChanged)
    Q_PROPERTY(snipstack::PenThickness penThickness READ penThickness WRITE setPenThickness NOTIFY
                   penThicknessChanged)
    Q_PROPERTY(QColor penColor READ penColor WRITE setPenColor NOTIFY penColorChanged)
    Q_PROPERTY(QColor highlightColor READ highlightColor WRITE setHighlightColor NOTIFY highlightColorChanged)
    Q_PROPERTY(int annotationCount READ annotationCount NOTIFY annotationsChanged)
    Q_PROPERTY(bool hasCropSelection READ hasCropSelection NOTIFY annotationsChanged)
    Q_PROPERTY(QString transcript READ transcript NOTIFY transcriptChanged)
    Q_PROPERTY(int zoomPercent READ zoomPercent NOTIFY zoomPercentChanged)

public:
    static constexpr double minimumMagnification = 1;
    static constexpr double maximumMagnification = 12;
    static constexpr double zoomInFactor = 1.5;
    static constexpr double zoomOutFactor = 2.0 / 3.0;
    static constexpr int zoomAnimationMilliseconds = 150;
    // A crop keeps at least this many pixels each way.
    static constexpr int smallestCropPixels = 2;
    static constexpr int jpegQuality = 90;

    // Runs text recognition off the main thread.
    using Recognizer = std::function<QFuture<std::optional<RecognizedText>>(Bytes image)>;

    // Nothing when `image` does not decode (its first frame is taken). Recognition starts at once.
    static std::unique_ptr<ImageEditorState> make(const Bytes& image, Preferences& preferences,
                                                  Recognizer recognizer);
    ~ImageEditorState() override;

    AnnotationTool tool() const { return tool_; }
    void setTool(AnnotationTool tool);
    // These three are written back to the preferences, for the next editor to start with.
    PenThickness penThickness() const { return penThickness_; }
    void setPenThickness(PenThickness thickness);
    QColor penColor() const { return penColor_; }
    void setPenColor(const QColor& color);
    QColor highlightColor() const { return highlightColor_; }
    void setHighlightColor(const QColor& color);
    int annotationCount() const { return annotationCount_; }
    bool hasCropSelection() const { return hasCropSelection_; }
    const QString& transcript() const { return transcript_; }
    // Whether recognition of the current image has ended, with text or without.
    bool recognitionDone() const { return recognitionDone_; }
    int zoomPercent() const { return zoomPercent_; }
    bool canUndo() const { return annotationCount_ > 0 || !cropHistory_.empty(); }

    const QImage& image() const { return image_; }
    QScrollArea* scrollView() const { return scrollView_; }
    AnnotationCanvas* canvas() const { return canvas_; }
    RecognizedTextOverlay* overlay() const { return overlay_; }
    EditorImageView* imageView() const { return imageView_; }

    // The last annotation goes; without one, the last crop is undone.
    void undo();
    // Cuts the image down to the crop selection with the annotations burnt in; false when the
    // selection covers less than two pixels either way (or there is none).
    bool cropToSelection();
    // The pixels a crop selection covers in an image of `size`, rounded outwards and within the image.
    static QRect cropPixels(const QRectF& selection, QSize size);
    // Multiplies the magnification, within 100% to 1200%, keeping the centre of the view in place.
    void zoom(double factor);
    void resetZoom();

    // The image with its annotations burnt in, at its own pixel size (the drawing in progress and the
    // crop selection left out).
    QImage renderedImage() const;
    // renderedImage() as PNG; nothing when encoding failed.
    std::optional<Bytes> render() const;
    // JPEG is flattened onto white, GIF reduced to a palette.
    std::optional<Bytes> encodedImage(ImageFileFormat format) const;

signals:
    void toolChanged();
    void penThicknessChanged();
    void penColorChanged();
    void highlightColorChanged();
    void annotationsChanged();
    void transcriptChanged();
    void recognitionDoneChanged();
    void zoomPercentChanged();
    void imageChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ImageEditorState(QImage image, Preferences& preferences, Recognizer recognizer);
    void replaceImage(QImage image, std::vector<Annotation> annotations);
    void recognize(std::optional<Bytes> encoded);
    void canvasChanged();
    void layOut();
    // Animated unless the user asked the desktop for less motion.
    void setMagnification(double magnification, bool animated = true);
    void showMagnification(double magnification);

    Preferences& preferences_;
    Recognizer recognizer_;
    AnnotationTool tool_ = AnnotationTool::selectText;
    PenThickness penThickness_;
    QColor penColor_;
    QColor highlightColor_;
    int annotationCount_ = 0;
    bool hasCropSelection_ = false;
    QString transcript_;
    bool recognitionDone_ = false;
    // Each new image's recognition outdates the ones still running.
    int recognitionGeneration_ = 0;
    // The magnification asked for, and the one shown while an animation moves towards it.
    double magnification_ = 1;
    double shownMagnification_ = 1;
    QVariantAnimation zoomAnimation_;
    int zoomPercent_ = 100;
    std::vector<std::pair<QImage, std::vector<Annotation>>> cropHistory_;
    QImage image_;
    QPointer<QScrollArea> scrollView_;
    QObject* viewport_ = nullptr;
    ImageContainer* container_;
    EditorImageView* imageView_;
    RecognizedTextOverlay* overlay_;
    AnnotationCanvas* canvas_;
};

} // namespace snipstack
