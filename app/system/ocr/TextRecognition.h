#pragma once

#include "core/values/Bytes.h"

#include <QRect>
#include <optional>
#include <string>
#include <vector>

namespace snipstack {

// One recognised word and where it stands, in the image's pixels.
struct RecognizedWord {
    std::string text;
    QRect box;

    friend bool operator==(const RecognizedWord&, const RecognizedWord&) = default;
};

struct RecognizedText {
    // The recognised lines, each trimmed, joined with line feeds; empty when there is no text.
    std::string text;
    // For the image editor's selectable-text overlay.
    std::vector<RecognizedWord> words;
};

// Recognises English text with Tesseract, in images of any size the capture keeps. Nothing when the
// bytes are no image, or one that cannot be decoded within bounded memory (a header declaring more
// pixels than any capture keeps); a recognition failure is logged and gives empty text. Word boxes are
// in the image's own pixels, as shown (a JPEG's orientation applied).
//
// Memory is bounded whatever the pixel count, because no text is shrunk to save it: the image is
// decoded a band of rows at a time and recognised in tiles of at most 2560 × 1600 pixels (see
// TextRecognitionTiles.h). At once it holds at most a band (16384 × 1600 grey pixels, 25 MiB; wider
// images are decoded a tile column at a time), one decoded row (4 bytes a pixel), one tile with its
// background histograms (2 bytes a pixel, 8 MiB) and Tesseract's work on that tile (about 9 MiB a
// megapixel of dense text, under 40 MiB), besides the engine: under 100 MiB for a PNG. A JPEG is
// decoded 16 MiB bands at a time, plus what libjpeg buffers for a progressive file (within Qt's
// allocation limit); other formats are decoded whole by Qt within that limit.
//
// Blocks for a while (seconds for a large image): call it off the main thread. Each thread keeps its
// own engine (they cannot be shared), freed when the thread ends.
std::optional<RecognizedText> recognizeTextIn(const Bytes& image);

} // namespace snipstack
