// The text recognition module: Tesseract behind the entry points TesseractModule.h declares. It is
// loaded into the program only when something is first recognised.
#include "app/system/ocr/TesseractModule.h"

#include <QString>
#include <algorithm>
#include <leptonica/allheaders.h>
#include <memory>
#include <tesseract/baseapi.h>
#include <tesseract/ltrresultiterator.h>
#include <utility>

namespace snipstack {
namespace {

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

void collect(Engine& api, RecognizedLines& lines) {
    const std::unique_ptr<tesseract::LTRResultIterator> iterator(api.GetLTRIterator());
    if (!iterator || iterator->Empty(tesseract::RIL_WORD)) {
        return;
    }
    std::vector<RecognizedWord> line;
    bool meaningful = false;
    const auto finishLine = [&] {
        if (meaningful && !line.empty()) {
            lines.push_back(std::move(line));
        }
        line.clear();
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
        meaningful = meaningful || hasLetterOrDigit(text);
        line.push_back({text.toStdString(), QRect(QPoint(left, top), QPoint(right - 1, bottom - 1))});
    } while (iterator->Next(tesseract::RIL_WORD));
    finishLine();
}

bool ready() {
    return engine() != nullptr;
}

TileOutcome recognize(const GreyTile& tile, RecognizedLines& lines) {
    Engine* api = engine();
    if (!api) {
        return TileOutcome::noLanguageData;
    }
    api->SetImage(tile.pixels, tile.width, tile.height, 1, tile.width);
    api->SetSourceResolution(tile.dotsPerInch);
    const bool recognized = api->Recognize(nullptr) == 0;
    if (recognized) {
        collect(*api, lines);
    }
    api->Clear();
    return recognized ? TileOutcome::recognized : TileOutcome::failed;
}

} // namespace
} // namespace snipstack

extern "C" {
// The module's one export; the loader looks it up by this name.
__attribute__((visibility("default"))) extern const snipstack::TesseractEntryPoints snipstackTesseract;
const snipstack::TesseractEntryPoints snipstackTesseract{&snipstack::ready, &snipstack::recognize};
}
