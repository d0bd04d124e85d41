#pragma once

#include "app/system/ocr/TextRecognition.h"

#include <QRect>
#include <vector>

namespace snipstack {

// Tesseract's time grows faster than the page (a 4K screenshot takes about four times as long per
// pixel as a full-HD one), and so does its memory (about 9 MiB a megapixel of screen text). Images are
// therefore read in tiles of at most this size, at full resolution so that no text shrinks. Screens
// up to 2560 × 1600 are one tile, so their lines stay whole.
constexpr int maxTileWidth = 2560;
constexpr int maxTileHeight = 1600;
// Adjacent tiles share this much, so that a line of text up to this tall (or a word up to this wide)
// lies whole in one of them.
constexpr int tileOverlap = 128;

// Large images are recognised in overlapping tiles at full resolution, so that no text shrinks and
// memory follows the tile size, not the image. A tile answers for the words whose centres lie in
// its share of the axis, which ends halfway across each overlap: a word or line narrower than the
// overlap lies whole in the tile that answers for it, and a fragment cut off at a tile's edge has
// its centre in the neighbour's share.
struct TileSpan {
    int start = 0; // first pixel the tile covers
    int end = 0;   // one past its last
    int shareFrom = 0;
    int shareTo = 0;

    friend bool operator==(const TileSpan&, const TileSpan&) = default;
};

// Tiles of at most `maxTile` pixels along an axis of `length`, adjacent ones sharing at least
// `overlap` pixels; one tile when the axis fits. The shares partition [0, length).
std::vector<TileSpan> tileSpans(int length, int maxTile, int overlap);

// Whether the word in `box` belongs to the tile whose shares are `share`.
bool inShare(const QRect& share, const QRect& box);

// A recognised line, or the part of one that a tile answers for, in image pixels.
struct LineFragment {
    int tileRow = 0;
    int tileColumn = 0;
    std::vector<RecognizedWord> words; // left to right
};

// Joins the fragments of lines that tile columns cut apart and orders the lines top to bottom, then
// left to right. The lines' text is their words joined by spaces.
RecognizedText assembleLines(std::vector<LineFragment> fragments);

} // namespace snipstack
