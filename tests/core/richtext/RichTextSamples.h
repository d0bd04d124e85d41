#pragma once

#include "core/richtext/RichDocument.h"

#include <string>

namespace snipstack::richtext::samples {

// A 1 × 1 PNG and a 2 × 3 one (only their headers are ever decoded here).
inline Bytes png(int width = 1, int height = 1) {
    Bytes data{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (const int value : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            data.push_back(static_cast<std::uint8_t>(value >> shift));
        }
    }
    data.insert(data.end(), {8, 6, 0, 0, 0, 0x1F, 0x15, 0xC4, 0x89});
    return data;
}

inline std::string hex(const Bytes& data) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    for (const auto byte : data) {
        out += digits[byte >> 4];
        out += digits[byte & 0xF];
    }
    return out;
}

// The text of every run of the document's paragraphs, one string per paragraph.
inline std::vector<std::string> paragraphTexts(const Document& document) {
    std::vector<std::string> texts;
    forEachParagraph(document, [&](const Paragraph& paragraph) {
        std::string text;
        for (const auto& run : paragraph.runs) {
            text += run.image ? "[image]" : run.text;
        }
        texts.push_back(text);
    });
    return texts;
}

// The run holding `text` in the document, or nullptr.
inline const Run* runWith(const Document& document, std::string_view text) {
    const Run* found = nullptr;
    forEachParagraph(document, [&](const Paragraph& paragraph) {
        for (const auto& run : paragraph.runs) {
            if (!found && run.text.find(text) != std::string::npos) {
                found = &run;
            }
        }
    });
    return found;
}

} // namespace snipstack::richtext::samples
