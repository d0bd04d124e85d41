#pragma once

#include "app/system/ocr/TextRecognition.h"

#include <QSize>
#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

namespace snipstack {

// The recognised words over the image, selectable by dragging: the words from the one under the press
// to the one under the pointer, in reading order, are highlighted. Word boxes are in the image's
// pixels and are mapped onto the whole view, which always has exactly the image's frame.
class RecognizedTextOverlay final : public QWidget {
    Q_OBJECT
public:
    explicit RecognizedTextOverlay(QWidget* parent = nullptr);

    // The words of an image of `imageSize` pixels, in reading order; clears the selection.
    void setWords(std::vector<RecognizedWord> words, QSize imageSize);
    void clear();

    // Selects the words from index `first` to `last`, either way round.
    void select(std::size_t first, std::size_t last);
    // The selected words: a line's words joined by spaces, lines by line feeds. Empty without a selection.
    QString selectedText() const;

    // The words from `first` to `last` (inclusive, in reading order) as text.
    static QString textOf(const std::vector<RecognizedWord>& words, std::size_t first, std::size_t last);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QRectF viewBox(const RecognizedWord& word) const;
    // The word under `position`, or else the nearest one within `reach` points.
    std::optional<std::size_t> wordAt(QPointF position, double reach) const;
    void updateSelection(const std::optional<std::pair<std::size_t, std::size_t>>& before);

    std::vector<RecognizedWord> words_;
    QSize imageSize_;
    std::optional<std::pair<std::size_t, std::size_t>> selection_;
    std::optional<std::size_t> anchor_;
    QPointF pressPoint_;
};

} // namespace snipstack
