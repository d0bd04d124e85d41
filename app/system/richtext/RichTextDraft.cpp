#include "app/system/richtext/RichTextDraft.h"

#include "app/system/clipboard/Pasteboard.h"
#include "app/system/richtext/FormattedText.h"
#include "app/system/richtext/HtmlImages.h"
#include "app/system/richtext/TextDocumentConversion.h"
#include "core/model/ContentHash.h"
#include "core/richtext/FlatRtfd.h"
#include "core/richtext/RtfWriter.h"

#include <QBuffer>
#include <QImage>

namespace snipstack {

namespace {

bool hasImages(const richtext::Document& document) {
    bool found = false;
    richtext::forEachParagraph(document, [&](const richtext::Paragraph& paragraph) {
        for (const auto& run : paragraph.runs) {
            found = found || run.image.has_value();
        }
    });
    return found;
}

// RTF readers know PNG and JPEG pictures only.
void convertImagesForRtf(richtext::Document& document) {
    richtext::forEachParagraph(document, [](richtext::Paragraph& paragraph) {
        for (auto& run : paragraph.runs) {
            if (!run.image || run.image->mediaType == "image/png" || run.image->mediaType == "image/jpeg") {
                continue;
            }
            const auto& data = run.image->data;
            const auto image = QImage::fromData(data.data(), static_cast<int>(data.size()));
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
            run.image->data.assign(png.begin(), png.end());
            run.image->mediaType = "image/png";
        }
    });
}

} // namespace

std::optional<ClipDraft> richTextDraft(const QTextDocument& text) {
    if (text.isEmpty()) {
        return std::nullopt;
    }
    auto document = fromTextDocument(text);
    ClipDraft draft;
    auto& representations = draft.payload.representations;
    if (hasImages(document)) {
        representations.push_back({std::string(FormattedType::flatRtfd), richtext::writeFlatRtfd(document)});
    }
    convertImagesForRtf(document);
    representations.push_back({std::string(PasteboardType::rtf), bytesOf(richtext::writeRtf(document))});
    if (const auto html = htmlWithEmbeddedImages(text)) {
        representations.push_back({std::string(PasteboardType::html), Bytes(html->begin(), html->end())});
    }
    draft.text = text.toPlainText().remove(QChar::ObjectReplacementCharacter).toStdString();
    representations.push_back({std::string(PasteboardType::plainText), bytesOf(draft.text)});
    draft.kind = ClipKind::text;
    draft.contentHash = contentHash(representations.front().data);
    return draft;
}

} // namespace snipstack
