#include "app/system/ocr/TextRecognition.h"

#include "app/system/LogCategories.h"
#include "app/system/ocr/TextRecognitionImage.h"
#include "app/system/ocr/TextRecognitionTiles.h"

#include <QString>
#include <algorithm>
#include <cstring>
#include <leptonica/allheaders.h>
#include <memory>
#include <tesseract/baseapi.h>
#include <tesseract/ltrresultiterator.h>
#include <utility>

// Debian's Tesseract is built with OpenMP and opens a parallel region for every step of its LSTM, tens
// of thousands a screenshot. Spread over threads, those steps run several times slower than on one, and
// even a region of one thread costs libgomp a team and a system call to wake its barrier, a tenth of
// the recognition time. The program's own definitions of the entry points Tesseract calls (libgomp's
// documented ABI) take precedence over libgomp's, so every region runs on the calling thread, as a
// plain call. Nothing else in the program uses OpenMP.
namespace {
// The sections of the innermost sections region running on this thread: how many, and how many of
// them have been handed out.
thread_local unsigned sectionCount = 0;
thread_local unsigned sectionsHandedOut = 0;
} // namespace

extern "C" {
void GOMP_parallel(void (*body)(void*), void* data, unsigned /*threads*/, unsigned /*flags*/) {
    body(data);
}

void GOMP_parallel_sections(void (*body)(void*), void* data, unsigned /*threads*/, unsigned count,
                            unsigned /*flags*/) {
    const unsigned outerCount = std::exchange(sectionCount, count);
    const unsigned outerHandedOut = std::exchange(sectionsHandedOut, 0);
    body(data);
    sectionCount = outerCount;
    sectionsHandedOut = outerHandedOut;
}

// The next section to run, counted from 1; 0 when all have run.
unsigned GOMP_sections_next() {
    return sectionsHandedOut < sectionCount ? ++sectionsHandedOut : 0;
}

void GOMP_sections_end_nowait() {}
}

namespace snipstack {
namespace {

// Screenshots rarely say their resolution; this is the usual screen's.
constexpr int screenDotsPerInch = 96;

// The widest band of rows decoded at once; wider images are decoded anew for each column of tiles.
constexpr int maxBandWidth = 16384;

// Tesseract's iterator for reading order (GetIterator) works out for every word where its line
// begins and which way the line runs, walking the line from its start each time: 1.5 % of the time
// on a screenshot. English lines run left to right, so its plain left-to-right iterator, which
// Tesseract keeps for training, reads the same words in the same order.
class Engine : public tesseract::TessBaseAPI {
public:
    using TessBaseAPI::GetLTRIterator;
};

// The thread's engine with the English data loaded (from TESSDATA_PREFIX, else the packaged
// tessdata folder), or nothing when the data cannot be loaded.
Engine* engine() {
    thread_local std::unique_ptr<Engine> api;
    if (!api) {
        // Leptonica reports what Tesseract asks of it on stderr ("box outside rectangle" on nearly
        // blank tiles); a process-wide setting, made once. Nothing else in the program uses it.
        static const int quietLeptonica = setMsgSeverity(L_SEVERITY_NONE);
        Q_UNUSED(quietLeptonica);
        auto fresh = std::make_unique<Engine>();
        if (fresh->Init(nullptr, "eng") != 0) {
            return nullptr;
        }
        // Keeps Tesseract's diagnostics (resolution estimates and the like) off stderr.
        fresh->SetVariable("debug_file", "/dev/null");
        // A screenshot is scattered text: toolbar buttons, sidebar items, table cells, captions and
        // headings of many sizes. Sparse-text mode finds every line on its own; automatic page
        // segmentation looks for columns and paragraphs and drops or mangles isolated labels, and
        // single-block mode (Tesseract's default) reads the page as one paragraph and loses small
        // lines and headings. bench_app_ocr compares them.
        fresh->SetPageSegMode(tesseract::PSM_SPARSE_TEXT);
        // A threshold from each pixel's neighbourhood (Sauvola's) rather than one for the whole
        // image (Otsu's, the default), which turns a grey sidebar or status bar black, text and all,
        // when most of the window is white.
        fresh->SetVariable("thresholding_method", "2");
        // normalizePolarity has made all text dark on light, so reading a doubtful line again
        // inverted finds nothing more and costs time.
        fresh->SetVariable("tessedit_do_invert", "0");
        // Only lines are read here; grouping them into paragraphs after recognition (Tesseract's
        // default) costs 2 % of the time.
        fresh->SetVariable("paragraph_text_based", "0");
        api = std::move(fresh);
    }
    return api.get();
}

QString takeText(char* text) {
    const std::unique_ptr<char[]> owned(text);
    return QString::fromUtf8(owned.get()).trimmed();
}

bool hasLetterOrDigit(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

// The lines of the recognised tile, moved to `origin` in the image; only words in `share` are kept.
// Lines without a letter or digit are the edges of buttons, fields and icons read as "|", "=", "-".
void collect(Engine& api, QPoint origin, const QRect& share, int tileRow, int tileColumn,
             std::vector<LineFragment>& fragments) {
    const std::unique_ptr<tesseract::LTRResultIterator> iterator(api.GetLTRIterator());
    if (!iterator || iterator->Empty(tesseract::RIL_WORD)) {
        return;
    }
    LineFragment line{tileRow, tileColumn, {}};
    bool meaningful = false;
    const auto finishLine = [&] {
        if (meaningful && !line.words.empty()) {
            fragments.push_back(std::move(line));
        }
        line = LineFragment{tileRow, tileColumn, {}};
        meaningful = false;
    };
    do {
        if (iterator->IsAtBeginningOf(tesseract::RIL_TEXTLINE)) {
            finishLine();
        }
        const QString text = takeText(iterator->GetUTF8Text(tesseract::RIL_WORD));
        int left = 0, top = 0, right = 0, bottom = 0;
        if (text.isEmpty() || !iterator->BoundingBox(tesseract::RIL_WORD, &left, &top, &right, &bottom)) {
            continue;
        }
        const QRect box = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).translated(origin);
        meaningful = meaningful || hasLetterOrDigit(text);
        if (inShare(share, box)) {
            line.words.push_back({text.toStdString(), box});
        }
    } while (iterator->Next(tesseract::RIL_WORD));
    finishLine();
}

// A tile cut out of the image, ready for Tesseract.
struct Tile {
    int row = 0;
    int column = 0;
    QRect area;  // in the image
    QRect share; // the words it answers for
    std::vector<std::uint8_t> grey;
};

void recognizeTile(const Tile& tile, int dotsPerInch, std::vector<LineFragment>& fragments) {
    Engine* api = engine();
    if (!api) {
        qCCritical(ocrLog, "Text recognition failed: %s", "the English language data could not be loaded");
        return;
    }
    api->SetImage(tile.grey.data(), tile.area.width(), tile.area.height(), 1, tile.area.width());
    api->SetSourceResolution(dotsPerInch);
    if (api->Recognize(nullptr) == 0) {
        collect(*api, tile.area.topLeft(), tile.share, tile.row, tile.column, fragments);
    } else {
        qCCritical(ocrLog, "Text recognition failed: %s", "Tesseract could not recognise the image");
    }
    api->Clear();
}

// Decodes the image a band of tile rows at a time and recognises each tile in it. False when the image
// fails to decode part way; what was read until then is kept.
class TiledRecognition {
public:
    explicit TiledRecognition(GreyImageReader& reader)
        : reader_(reader), size_(reader.size()), rows_(tileSpans(size_.height(), maxTileHeight, tileOverlap)),
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
                recognizeTile(cut(row, column, left, width), dotsPerInch_, fragments);
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
    if (!engine()) {
        qCCritical(ocrLog, "Text recognition failed: %s", "the English language data could not be loaded");
        return RecognizedText{};
    }
    std::vector<LineFragment> fragments;
    if (!TiledRecognition(*reader).run(fragments)) {
        qCWarning(ocrLog, "Text recognition stopped early: the image is damaged");
    }
    return assembleLines(std::move(fragments));
}

} // namespace snipstack
