#pragma once

#include "core/richtext/RichDocument.h"

#include <cstddef>
#include <string_view>

namespace snipstack::richtext {

// Assembles a Document from a reader's stream of text, images and paragraph, cell and row ends:
// paragraphs inside a table go to the cell being filled, rows that follow one another form one
// table. Counts what it holds so a reader can stop before hostile input exhausts memory.
class DocumentBuilder {
public:
    void appendText(std::string_view utf8, const CharFormat& format);
    void appendImage(Image image, const CharFormat& format);
    void endParagraph(const ParagraphFormat& format, bool inTable);
    void endCell(const ParagraphFormat& format);
    void endRow();
    // Keeps an unfinished paragraph when it has content, and an unfinished row.
    Document finish(const ParagraphFormat& format, bool inTable);

    // Bytes of text and images plus a fixed cost per run and paragraph.
    std::size_t cost() const { return cost_; }

private:
    Document document_;
    Paragraph paragraph_;
    TableCell cell_;
    TableRow row_;
    // Whether the last block is a table that the next row continues.
    bool tableOpen_ = false;
    std::size_t cost_ = 0;
};

} // namespace snipstack::richtext
