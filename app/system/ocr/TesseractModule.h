#pragma once

#include "app/system/ocr/TextRecognition.h"

#include <cstdint>
#include <vector>

namespace snipstack {

// A tile of grey pixels, dark text on light, one byte a pixel, rows `width` bytes apart.
struct GreyTile {
    const std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int dotsPerInch = 96;
};

// The lines read in a tile, each its words left to right, boxes in the tile's pixels. Lines without
// a letter or digit are left out: they are the edges of buttons, fields and icons read as "|", "=", "-".
using RecognizedLines = std::vector<std::vector<RecognizedWord>>;

enum class TileOutcome { recognized, noLanguageData, failed };

// What the module exports, under the C name `snipstackTesseract`.
struct TesseractEntryPoints {
    // Loads this thread's engine with the English data; false when the data cannot be loaded.
    bool (*ready)();
    TileOutcome (*recognize)(const GreyTile& tile, RecognizedLines& lines);
};

// Tesseract and what it links (libcurl, GnuTLS, libarchive, image codecs: over 5 MB resident) live in
// a module loaded with the first recognition rather than with the program, which most of the time
// recognises nothing. It is looked for where the program is installed, or in the build tree for a
// program run from there; it stays loaded once loaded.
class TesseractModule {
public:
    // The module's entry points, loaded on first use from any thread; nothing when it cannot be
    // loaded (the reason logged once).
    static const TesseractEntryPoints* entryPoints();
};

} // namespace snipstack
