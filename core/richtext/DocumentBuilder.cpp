#include "core/richtext/DocumentBuilder.h"

#include <utility>

namespace snipstack::richtext {

namespace {

constexpr std::size_t runCost = sizeof(Run);
constexpr std::size_t paragraphCost = sizeof(Paragraph) + sizeof(Block);

} // namespace

void DocumentBuilder::appendText(std::string_view utf8, const CharFormat& format) {
    if (utf8.empty()) {
        return;
    }
    auto& runs = paragraph_.runs;
    if (runs.empty() || runs.back().image || runs.back().format != format) {
        runs.push_back(Run{{}, format, std::nullopt});
        cost_ += runCost + format.fontFamily.size() + format.link.size();
    }
    runs.back().text += utf8;
    cost_ += utf8.size();
}

void DocumentBuilder::appendImage(Image image, const CharFormat& format) {
    cost_ += runCost + image.data.size();
    paragraph_.runs.push_back(Run{{}, format, std::move(image)});
}

void DocumentBuilder::endParagraph(const ParagraphFormat& format, bool inTable) {
    paragraph_.format = format;
    cost_ += paragraphCost;
    if (inTable) {
        cell_.paragraphs.push_back(std::move(paragraph_));
    } else {
        document_.blocks.emplace_back(std::move(paragraph_));
        tableOpen_ = false;
    }
    paragraph_ = {};
}

void DocumentBuilder::endCell(const ParagraphFormat& format) {
    endParagraph(format, true);
    row_.cells.push_back(std::move(cell_));
    cell_ = {};
}

void DocumentBuilder::endRow() {
    if (!cell_.paragraphs.empty() || !paragraph_.runs.empty()) {
        endCell(ParagraphFormat{});
    }
    if (row_.cells.empty()) {
        return;
    }
    if (!tableOpen_) {
        document_.blocks.emplace_back(Table{});
        tableOpen_ = true;
    }
    std::get<Table>(document_.blocks.back()).rows.push_back(std::move(row_));
    row_ = {};
}

Document DocumentBuilder::finish(const ParagraphFormat& format, bool inTable) {
    if (!row_.cells.empty() || !cell_.paragraphs.empty()) {
        endRow();
    }
    if (!paragraph_.runs.empty()) {
        endParagraph(format, inTable);
        if (inTable) {
            endRow();
        }
    }
    return std::move(document_);
}

} // namespace snipstack::richtext
