#include "core/richtext/RichDocument.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace snipstack::richtext {

namespace {

void appendParagraph(std::string& text, const Paragraph& paragraph) {
    for (const auto& run : paragraph.runs) {
        text += run.image ? std::string("\xEF\xBF\xBC") : run.text;
    }
}

struct MediaTypeName {
    std::string_view extension;
    std::string_view mediaType;
};

// The first extension of a media type is the one written.
constexpr std::array<MediaTypeName, 7> mediaTypeNames{{{"jpeg", "image/jpeg"},
                                                       {"jpg", "image/jpeg"},
                                                       {"gif", "image/gif"},
                                                       {"tiff", "image/tiff"},
                                                       {"tif", "image/tiff"},
                                                       {"webp", "image/webp"},
                                                       {"heic", "image/heic"}}};

} // namespace

std::string plainText(const Document& document) {
    std::string text;
    for (const auto& block : document.blocks) {
        if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
            appendParagraph(text, *paragraph);
            text += '\n';
            continue;
        }
        for (const auto& row : std::get<Table>(block).rows) {
            for (const auto& cell : row.cells) {
                for (std::size_t i = 0; i < cell.paragraphs.size(); ++i) {
                    if (i > 0) {
                        text += ' ';
                    }
                    appendParagraph(text, cell.paragraphs[i]);
                }
                text += '\t';
            }
            text += '\n';
        }
    }
    return text;
}

bool isEmpty(const Document& document) {
    bool empty = true;
    forEachParagraph(document, [&](const Paragraph& paragraph) {
        empty = empty && std::all_of(paragraph.runs.begin(), paragraph.runs.end(),
                                     [](const Run& run) { return run.text.empty() && !run.image; });
    });
    return empty;
}

std::string mediaTypeForFileName(std::string_view fileName) {
    const auto dot = fileName.rfind('.');
    if (dot == std::string_view::npos) {
        return "image/png";
    }
    std::string extension(fileName.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const auto& entry : mediaTypeNames) {
        if (entry.extension == extension) {
            return std::string(entry.mediaType);
        }
    }
    return "image/png";
}

std::string fileExtensionForMediaType(std::string_view mediaType) {
    for (const auto& entry : mediaTypeNames) {
        if (entry.mediaType == mediaType) {
            return std::string(entry.extension);
        }
    }
    return "png";
}

} // namespace snipstack::richtext
