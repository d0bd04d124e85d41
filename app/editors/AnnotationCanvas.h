#pragma once

#include "app/editors/Annotation.h"
#include "app/editors/AnnotationTool.h"

#include <QColor>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

namespace snipstack {

// The transparent drawing layer laid exactly over the image: pen strokes, highlight rectangles and
// the crop selection, all in the image's normalised coordinates. While the tool is selectText it lets
// the mouse through to the recognised-text overlay underneath.
class AnnotationCanvas final : public QWidget {
    Q_OBJECT
public:
    // Highlight rectangles carry the medium pen's width, which drawing does not use.
    static constexpr double highlightWidth = 0.006;
    // A highlight narrower or lower than this is taken for a click and dropped.
    static constexpr double smallestHighlight = 0.002;
    // A crop selection narrower or lower than this is dropped.
    static constexpr double smallestCrop = 0.01;
    static constexpr double cropShadeOpacity = 0.5;
    static constexpr double cropOutlineWidth = 1.5;

    explicit AnnotationCanvas(QWidget* parent = nullptr);

    AnnotationTool tool() const { return tool_; }
    void setTool(AnnotationTool tool);
    QColor penColor = QColor(0xFF, 0x3B, 0x30);
    double penWidth = 0.006;
    QColor highlightColor = QColor(0xFF, 0xCC, 0x00);
    // Called whenever the annotations or the crop selection change.
    std::function<void()> onChange;

    const std::vector<Annotation>& annotations() const { return annotations_; }
    const std::optional<QRectF>& cropSelection() const { return cropSelection_; }

    // Replaces the annotations and drops the crop selection, as after a crop or its undoing.
    void reset(std::vector<Annotation> annotations);
    // Removes the last annotation.
    void undo();

    // The drag in normalised points, as the mouse handlers map it; public for tests.
    void mouseDown(QPointF point);
    void mouseDragged(QPointF point);
    void mouseUp();
    // The normalised point under `position`, clamped to the image.
    QPointF normalisedPoint(QPointF position) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void changed();
    // Repaints the area the current annotation covers, or that the crop shade changes in.
    void updateCurrent();
    void updateSelection(const std::optional<QRectF>& before);

    AnnotationTool tool_ = AnnotationTool::selectText;
    std::vector<Annotation> annotations_;
    std::optional<Annotation> current_;
    QPointF dragStart_;
    std::optional<QRectF> cropSelection_;
    bool dragging_ = false;
};

} // namespace snipstack
