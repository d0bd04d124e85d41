#include "app/system/ocr/TextRecognition.h"

#include "app/system/LogCategories.h"
#include "app/system/ocr/TesseractModule.h"
#include "app/system/ocr/TextRecognitionImage.h"
#include "app/system/ocr/TextRecognitionTiles.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

namespace snipstack {
namespace {

// Screenshots rarely say their resolution; this is the usual screen's.
constexpr int screenDotsPerInch = 96;

// The widest band of rows decoded at once; wider images are decoded anew for each column of tiles.
constexpr int maxBandWidth = 16384;

// The lines Tesseract read in a tile, moved to the tile's place in the image; only words in the tile's
// share are kept.
void collect(RecognizedLines& lines, QPoint origin, const QRect& share, int tileRow, int tileColumn,
             std::vector<LineFragment>& fragments) {
    for (std::vector<RecognizedWord>& words : lines) {
        LineFragment line{tileRow, tileColumn, {}};
        for (RecognizedWord& word : words) {
            word.box.translate(origin);
            if (inShare(share, word.box)) {
                line.words.push_back(std::move(word));
            }
        }
        if (!line.words.empty()) {
            fragments.push_back(std::move(line));
        }
    }
}

// A tile cut out of the image, ready for Tesseract.
struct Tile {
    int row = 0;
    int column = 0;
    QRect area;  // in the image
    QRect share; // the words it answers for
    std::vector<std::uint8_t> grey;
};

void recognizeTile(const TesseractEntryPoints& tesseract, const Tile& tile, int dotsPerInch,
                   std::vector<LineFragment>& fragments) {
    RecognizedLines lines;
    switch (
        tesseract.recognize({tile.grey.data(), tile.area.width(), tile.area.height(), dotsPerInch}, lines)) {
    case TileOutcome::recognized:
        collect(lines, tile.area.topLeft(), tile.share, tile.row, tile.column, fragments);
        break;
    case TileOutcome::noLanguageData:
        qCCritical(ocrLog, "Text recognition failed: %s", "the English language data could not be loaded");
        break;
    case TileOutcome::failed:
        qCCritical(ocrLog, "Text recognition failed: %s", "Tesseract could not recognise the image");
        break;
    }
}

// Decodes the image a band of tile rows at a time and recognises each tile in it. False when the image
// fails to decode part way; what was read until then is kept.
class TiledRecognition {
public:
    TiledRecognition(const TesseractEntryPoints& tesseract, GreyImageReader& reader)
        : tesseract_(tesseract), reader_(reader), size_(reader.size()),
          rows_(tileSpans(size_.height(), maxTileHeight, tileOverlap)),
          columns_(tileSpans(size_.width(), maxTileWidth, tileOverlap)) {
        const int stated = reader.dotsPerInch();
        dotsPerInch_ = stated >= 70 && stated <= 1200 ? stated : screenDotsPerInch;
    }

    bool run(std::vector<LineFragment>& fragments) {
        bool complete = true;
        // Tile columns that are decoded together: all of them, unless the band would grow too wide.
        if (size_.width() <= maxBandWidth) {
            complete = runColumns(0, int(columns_.size()), fragments);
        } else {
            for (int column = 0; column < int(columns_.size()) && complete; ++column) {
                complete = reader_.rewind() && runColumns(column, column + 1, fragments);
            }
        }
        return complete;
    }

private:
    bool runColumns(int firstColumn, int endColumn, std::vector<LineFragment>& fragments) {
        const int left = columns_[firstColumn].start;
        const int width = columns_[endColumn - 1].end - left;
        const int bandHeight = rows_.front().end - rows_.front().start;
        band_.assign(std::size_t(width) * std::size_t(bandHeight), 0);
        int bandTop = 0;
        int bandBottom = 0; // rows [bandTop, bandBottom) are in the band
        for (int row = 0; row < int(rows_.size()); ++row) {
            const TileSpan& rows = rows_[row];
            // The overlap with the band above moves to the top; the rest is decoded.
            const int kept = std::max(0, bandBottom - rows.start);
            if (kept > 0) {
                std::memmove(band_.data(), band_.data() + std::size_t(rows.start - bandTop) * width,
                             std::size_t(kept) * width);
            }
            const int fresh = rows.end - rows.start - kept;
            if (!reader_.read(fresh, left, width, band_.data() + std::size_t(kept) * width, width)) {
                return false;
            }
            bandTop = rows.start;
            bandBottom = rows.end;
            for (int column = firstColumn; column < endColumn; ++column) {
                recognizeTile(tesseract_, cut(row, column, left, width), dotsPerInch_, fragments);
            }
        }
        return true;
    }

    Tile cut(int row, int column, int bandLeft, int bandWidth) const {
        const TileSpan& rows = rows_[row];
        const TileSpan& columns = columns_[column];
        Tile tile{
            row,
            column,
            QRect(columns.start, rows.start, columns.end - columns.start, rows.end - rows.start),
            QRect(QPoint(columns.shareFrom, rows.shareFrom), QPoint(columns.shareTo - 1, rows.shareTo - 1)),
            {}};
        const int width = tile.area.width();
        tile.grey.resize(std::size_t(width) * std::size_t(tile.area.height()));
        for (int y = 0; y < tile.area.height(); ++y) {
            std::memcpy(tile.grey.data() + std::size_t(y) * width,
                        band_.data() + std::size_t(y) * bandWidth + (columns.start - bandLeft), width);
        }
        normalizePolarity(tile.grey.data(), width, tile.area.height(), width);
        return tile;
    }

    const TesseractEntryPoints& tesseract_;
    GreyImageReader& reader_;
    QSize size_;
    std::vector<TileSpan> rows_;
    std::vector<TileSpan> columns_;
    int dotsPerInch_ = screenDotsPerInch;
    std::vector<std::uint8_t> band_;
};

} // namespace

std::optional<RecognizedText> recognizeTextIn(const Bytes& bytes) {
    std::string failure;
    const std::unique_ptr<GreyImageReader> reader = GreyImageReader::open(bytes, &failure);
    if (!reader) {
        qCWarning(ocrLog, "Not recognising text in an image: %s", failure.c_str());
        return std::nullopt;
    }
    const TesseractEntryPoints* tesseract = TesseractModule::entryPoints();
    if (!tesseract) {
        return RecognizedText{};
    }
    if (!tesseract->ready()) {
        qCCritical(ocrLog, "Text recognition failed: %s", "the English language data could not be loaded");
        return RecognizedText{};
    }
    std::vector<LineFragment> fragments;
    if (!TiledRecognition(*tesseract, *reader).run(fragments)) {
        qCWarning(ocrLog, "Text recognition stopped early: the image is damaged");
    }
    return assembleLines(std::move(fragments));
}

} // namespace snipstack
