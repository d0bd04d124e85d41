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

// Recognises English text with Tesseract. Nothing when the bytes are no image Qt can decode; a
// recognition failure is logged and gives empty text. Blocks for a while: call it off the main thread.
// Each thread keeps its own engine (they cannot be shared), freed when the thread ends.
std::optional<RecognizedText> recognizeTextIn(const Bytes& image);

} // namespace snipstack
