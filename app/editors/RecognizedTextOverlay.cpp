#include "app/editors/RecognizedTextOverlay.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>

namespace snipstack {

namespace {

// A press this close to a word starts selecting from it; farther away it clears the selection.
constexpr double pressReach = 12;
constexpr double selectionOpacity = 0.35;

// Tesseract lists words line by line; a word that starts left of the previous one or does not share
// its height begins a new line.
bool startsLine(const RecognizedWord& previous, const RecognizedWord& word) {
    const int centre = word.box.center().y();
    return word.box.left() < previous.box.left() || centre < previous.box.top() ||
           centre > previous.box.bottom();
}

double distance(const QRectF& box, QPointF point) {
    const double dx = std::max({box.left() - point.x(), 0.0, point.x() - box.right()});
    const double dy = std::max({box.top() - point.y(), 0.0, point.y() - box.bottom()});
    return std::hypot(dx, dy);
}

} // namespace

RecognizedTextOverlay::RecognizedTextOverlay(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
}

void RecognizedTextOverlay::setWords(std::vector<RecognizedWord> words, QSize imageSize) {
    words_ = std::move(words);
    imageSize_ = imageSize;
    selection_.reset();
    anchor_.reset();
    update();
}

void RecognizedTextOverlay::clear() {
    setWords({}, {});
}

QString RecognizedTextOverlay::textOf(const std::vector<RecognizedWord>& words, std::size_t first,
                                      std::size_t last) {
    QString text;
    for (std::size_t i = first; i <= last && i < words.size(); ++i) {
        if (i > first) {
            text += startsLine(words[i - 1], words[i]) ? QLatin1Char('\n') : QLatin1Char(' ');
        }
        text += QString::fromStdString(words[i].text);
    }
    return text;
}

void RecognizedTextOverlay::select(std::size_t first, std::size_t last) {
    const auto before = selection_;
    selection_ = std::minmax(first, last);
    updateSelection(before);
}

QString RecognizedTextOverlay::selectedText() const {
    return selection_ ? textOf(words_, selection_->first, selection_->second) : QString();
}

QRectF RecognizedTextOverlay::viewBox(const RecognizedWord& word) const {
    if (imageSize_.isEmpty()) {
        return {};
    }
    const double sx = double(width()) / imageSize_.width();
    const double sy = double(height()) / imageSize_.height();
    const QRectF box(word.box);
    return QRectF(box.x() * sx, box.y() * sy, box.width() * sx, box.height() * sy);
}

std::optional<std::size_t> RecognizedTextOverlay::wordAt(QPointF position, double reach) const {
    std::optional<std::size_t> nearest;
    double nearestDistance = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < words_.size(); ++i) {
        const double d = distance(viewBox(words_[i]), position);
        if (d < nearestDistance) {
            nearestDistance = d;
            nearest = i;
        }
    }
    return nearestDistance <= reach ? nearest : std::nullopt;
}

void RecognizedTextOverlay::updateSelection(
    const std::optional<std::pair<std::size_t, std::size_t>>& before) {
    QRectF area;
    for (const auto& range : {before, selection_}) {
        if (range) {
            for (std::size_t i = range->first; i <= range->second && i < words_.size(); ++i) {
                area = area.united(viewBox(words_[i]));
            }
        }
    }
    update(area.toAlignedRect().adjusted(-2, -2, 2, 2));
}

void RecognizedTextOverlay::paintEvent(QPaintEvent*) {
    if (!selection_) {
        return;
    }
    QPainter painter(this);
    QColor fill = palette().color(QPalette::Active, QPalette::Highlight);
    fill.setAlphaF(float(selectionOpacity));
    for (std::size_t i = selection_->first; i <= selection_->second && i < words_.size(); ++i) {
        painter.fillRect(viewBox(words_[i]).adjusted(-1, -1, 1, 1), fill);
    }
}

void RecognizedTextOverlay::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    setFocus(Qt::MouseFocusReason);
    pressPoint_ = event->position();
    anchor_ = wordAt(event->position(), pressReach);
    if (anchor_) {
        select(*anchor_, *anchor_);
    } else if (selection_) {
        const auto before = selection_;
        selection_.reset();
        updateSelection(before);
    }
}

void RecognizedTextOverlay::mouseMoveEvent(QMouseEvent* event) {
    const bool overWord = wordAt(event->position(), 0).has_value();
    setCursor(overWord ? Qt::IBeamCursor : Qt::ArrowCursor);
    if (!(event->buttons() & Qt::LeftButton) || words_.empty()) {
        return;
    }
    // A drag begun beside the text selects from the word nearest to where it began.
    if (!anchor_) {
        anchor_ = wordAt(pressPoint_, std::numeric_limits<double>::infinity());
    }
    if (const auto focus = wordAt(event->position(), std::numeric_limits<double>::infinity())) {
        select(*anchor_, *focus);
    }
}

void RecognizedTextOverlay::mouseReleaseEvent(QMouseEvent*) {
    anchor_.reset();
}

} // namespace snipstack
