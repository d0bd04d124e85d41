#include "app/system/ocr/TextRecognitionTiles.h"

#include <algorithm>

namespace snipstack {

std::vector<TileSpan> tileSpans(int length, int maxTile, int overlap) {
    if (length <= 0) {
        return {};
    }
    if (length <= maxTile || maxTile <= overlap) {
        return {{0, length, 0, length}};
    }
    // The fewest tiles that fit, all of one size and spread evenly, so that each overlap is at least
    // `overlap`: n tiles of size t cover n·t - (n - 1)·overlap >= length.
    const std::int64_t count =
        (std::int64_t(length) - overlap + (maxTile - overlap) - 1) / (maxTile - overlap);
    const std::int64_t tile = (length + (count - 1) * overlap + count - 1) / count;
    std::vector<TileSpan> spans;
    for (std::int64_t i = 0; i < count; ++i) {
        const int start = int(i * (length - tile) / (count - 1));
        spans.push_back({start, int(start + tile), 0, length});
    }
    for (std::size_t i = 0; i + 1 < spans.size(); ++i) {
        const int boundary = (spans[i + 1].start + spans[i].end) / 2;
        spans[i].shareTo = boundary;
        spans[i + 1].shareFrom = boundary;
    }
    return spans;
}

bool inShare(const QRect& share, const QRect& box) {
    // Twice the centre, so that odd sizes need no rounding.
    const int x = box.left() + box.right() + 1;
    const int y = box.top() + box.bottom() + 1;
    return x >= 2 * share.left() && x < 2 * (share.right() + 1) && y >= 2 * share.top() &&
           y < 2 * (share.bottom() + 1);
}

namespace {

struct Line {
    int tileRow = 0;
    int lastColumn = 0;
    QRect box;
    std::vector<RecognizedWord> words;
};

QRect boundsOf(const std::vector<RecognizedWord>& words) {
    QRect bounds;
    for (const RecognizedWord& word : words) {
        bounds |= word.box;
    }
    return bounds;
}

// The line that `fragment` continues: one of the tile column to its left, level with it (sharing at
// least half the lower one's height) and ending no further left than two line heights before it.
Line* continued(std::vector<Line>& lines, const LineFragment& fragment, const QRect& box) {
    Line* best = nullptr;
    int bestShared = 0;
    for (Line& line : lines) {
        if (line.tileRow != fragment.tileRow || line.lastColumn != fragment.tileColumn - 1) {
            continue;
        }
        const int shared =
            std::min(line.box.bottom(), box.bottom()) - std::max(line.box.top(), box.top()) + 1;
        const int gap = box.left() - line.box.right() - 1;
        const int height = std::max(line.box.height(), box.height());
        if (2 * shared >= std::min(line.box.height(), box.height()) && box.left() > line.box.left() &&
            gap <= 2 * height && shared > bestShared) {
            best = &line;
            bestShared = shared;
        }
    }
    return best;
}

} // namespace

RecognizedText assembleLines(std::vector<LineFragment> fragments) {
    std::stable_sort(fragments.begin(), fragments.end(), [](const LineFragment& a, const LineFragment& b) {
        return std::pair(a.tileRow, a.tileColumn) < std::pair(b.tileRow, b.tileColumn);
    });
    std::vector<Line> lines;
    for (LineFragment& fragment : fragments) {
        if (fragment.words.empty()) {
            continue;
        }
        const QRect box = boundsOf(fragment.words);
        if (Line* line = fragment.tileColumn > 0 ? continued(lines, fragment, box) : nullptr) {
            line->box |= box;
            line->lastColumn = fragment.tileColumn;
            std::move(fragment.words.begin(), fragment.words.end(), std::back_inserter(line->words));
        } else {
            lines.push_back({fragment.tileRow, fragment.tileColumn, box, std::move(fragment.words)});
        }
    }
    std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) {
        return std::pair(a.box.top(), a.box.left()) < std::pair(b.box.top(), b.box.left());
    });
    RecognizedText result;
    for (Line& line : lines) {
        if (!result.text.empty()) {
            result.text += '\n';
        }
        for (std::size_t i = 0; i < line.words.size(); ++i) {
            result.text += (i > 0 ? " " : "") + line.words[i].text;
        }
        std::move(line.words.begin(), line.words.end(), std::back_inserter(result.words));
    }
    return result;
}

} // namespace snipstack
