#pragma once

#include "core/values/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// The formatted text the codecs read and write, with no toolkit behind it. Lengths are in points.
// Text is UTF-8; inside a run, U+2028 stands for a line break and '\t' for a tab. Lists are kept as
// they appear: their numbers and bullets are part of the paragraph's text.
namespace snipstack::richtext {

struct Color {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    friend bool operator==(const Color&, const Color&) = default;
};

enum class VerticalPosition { baseline, superscript, subscript };

struct CharFormat {
    // Empty: the reader's default font.
    std::string fontFamily;
    // 0: the default size.
    double fontSize = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    std::optional<Color> foreground;
    std::optional<Color> highlight;
    VerticalPosition vertical = VerticalPosition::baseline;
    // Empty: not a link.
    std::string link;

    friend bool operator==(const CharFormat&, const CharFormat&) = default;
};

// An inline picture: its file's bytes as they were, and the size it is shown at (0 when unknown).
struct Image {
    Bytes data;
    // "image/png", "image/jpeg", ...
    std::string mediaType;
    double width = 0;
    double height = 0;

    friend bool operator==(const Image&, const Image&) = default;
};

// Text in one format, or one image (then `text` is empty).
struct Run {
    std::string text;
    CharFormat format;
    std::optional<Image> image;

    friend bool operator==(const Run&, const Run&) = default;
};

enum class Alignment { left, center, right, justify };

struct ParagraphFormat {
    Alignment alignment = Alignment::left;
    double leftIndent = 0;
    double rightIndent = 0;
    // Relative to leftIndent; negative for hanging indents.
    double firstLineIndent = 0;
    double spaceBefore = 0;
    double spaceAfter = 0;

    friend bool operator==(const ParagraphFormat&, const ParagraphFormat&) = default;
};

struct Paragraph {
    ParagraphFormat format;
    std::vector<Run> runs;

    friend bool operator==(const Paragraph&, const Paragraph&) = default;
};

struct TableCell {
    std::vector<Paragraph> paragraphs;

    friend bool operator==(const TableCell&, const TableCell&) = default;
};

struct TableRow {
    std::vector<TableCell> cells;

    friend bool operator==(const TableRow&, const TableRow&) = default;
};

struct Table {
    std::vector<TableRow> rows;

    friend bool operator==(const Table&, const Table&) = default;
};

using Block = std::variant<Paragraph, Table>;

struct Document {
    std::vector<Block> blocks;

    friend bool operator==(const Document&, const Document&) = default;
};

// The document's characters: paragraphs end in '\n', cells in '\t', images are U+FFFC.
std::string plainText(const Document& document);
// True when the document has no characters and no images.
bool isEmpty(const Document& document);
// Calls `visit(Paragraph&)` for every paragraph, those in tables included, in reading order.
template <typename Doc, typename Visit> void forEachParagraph(Doc& document, Visit visit) {
    for (auto& block : document.blocks) {
        if (auto* paragraph = std::get_if<Paragraph>(&block)) {
            visit(*paragraph);
            continue;
        }
        for (auto& row : std::get<Table>(block).rows) {
            for (auto& cell : row.cells) {
                for (auto& paragraph : cell.paragraphs) {
                    visit(paragraph);
                }
            }
        }
    }
}

// Media type of an attachment named `fileName`, by its extension: PNG for anything unknown.
std::string mediaTypeForFileName(std::string_view fileName);
// The extension an attachment of `mediaType` is written with.
std::string fileExtensionForMediaType(std::string_view mediaType);

} // namespace snipstack::richtext
