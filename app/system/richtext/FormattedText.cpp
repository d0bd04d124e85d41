#include "app/system/richtext/FormattedText.h"

#include "app/system/clipboard/Pasteboard.h"
#include "app/system/richtext/ResourceDocument.h"
#include "app/system/richtext/TextDocumentConversion.h"
#include "core/richtext/FlatRtfd.h"
#include "core/richtext/HtmlAnchorNames.h"
#include "core/richtext/RtfReader.h"

namespace snipstack {

namespace {

std::unique_ptr<QTextDocument> fromDocument(const std::optional<richtext::Document>& document) {
    return document ? toTextDocument(*document) : nullptr;
}

std::unique_ptr<QTextDocument> fromHtml(std::string_view html, const std::string& baseUrl,
                                        ResourceDocument::Subresources subresources) {
    auto document = std::make_unique<ResourceDocument>(std::move(subresources));
    document->setBaseUrl(QUrl(QString::fromStdString(baseUrl)));
    const std::string kept = richtext::withoutManyAnchorNames(html);
    document->setHtml(QString::fromUtf8(kept.data(), static_cast<qsizetype>(kept.size())));
    return document;
}

std::unique_ptr<QTextDocument> read(std::string_view type, std::string_view bytes) {
    if (type == FormattedType::flatRtfd) {
        return fromDocument(richtext::readFlatRtfd(bytes));
    }
    if (type == PasteboardType::rtf) {
        return fromDocument(richtext::readRtf(bytes));
    }
    if (type == FormattedType::webArchive) {
        auto archive = richtext::readWebArchive(bytes);
        return archive ? fromHtml(archive->html, archive->url, std::move(archive->subresources)) : nullptr;
    }
    return fromHtml(bytes, {}, {});
}

} // namespace

std::unique_ptr<QTextDocument> formattedText(const ClipPayload& payload) {
    static constexpr std::array<std::string_view, 4> order{FormattedType::flatRtfd, FormattedType::webArchive,
                                                           PasteboardType::rtf, PasteboardType::html};
    for (const auto type : order) {
        const auto* data = payload.dataForType(type);
        if (!data || data->empty() || data->size() > maxFormattedBytes) {
            continue;
        }
        auto document = read(type, viewOf(*data));
        if (document && !document->isEmpty()) {
            return document;
        }
    }
    return nullptr;
}

} // namespace snipstack
