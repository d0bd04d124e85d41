#include "app/system/richtext/HtmlImages.h"

#include "app/system/richtext/TextDocumentConversion.h"

#include <QRegularExpression>
#include <QTextBlock>
#include <vector>

namespace snipstack {

namespace {

// The images in document order, each with its bytes when it has them.
std::vector<std::optional<richtext::Image>> images(const QTextDocument& document) {
    std::vector<std::optional<richtext::Image>> out;
    for (auto block = document.begin(); block != document.end(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const auto format = it.fragment().charFormat();
            if (!format.isImageFormat()) {
                continue;
            }
            const auto image = attachmentImage(document, format.toImageFormat());
            out.insert(out.end(), static_cast<std::size_t>(it.fragment().length()), image);
        }
    }
    return out;
}

} // namespace

std::optional<QByteArray> htmlWithEmbeddedImages(const QTextDocument& document) {
    auto html = document.toHtml();
    const auto attachments = images(document);
    if (attachments.empty()) {
        return html.toUtf8();
    }
    static const QRegularExpression source(QStringLiteral("(<img[^>]*?src=\\\")[^\\\"]*(\\\")"));
    std::vector<QRegularExpressionMatch> matches;
    for (auto it = source.globalMatch(html); it.hasNext();) {
        matches.push_back(it.next());
    }
    if (matches.size() != attachments.size()) {
        return std::nullopt;
    }
    // From the last to the first, so the earlier matches' offsets stay valid.
    for (auto i = matches.size(); i-- > 0;) {
        const auto& image = attachments[i];
        if (!image) {
            continue;
        }
        const auto& match = matches[i];
        const QByteArray bytes(reinterpret_cast<const char*>(image->data.data()),
                               static_cast<qsizetype>(image->data.size()));
        html.replace(match.capturedStart(), match.capturedLength(),
                     match.captured(1) + QStringLiteral("data:") + QString::fromStdString(image->mediaType) +
                         QStringLiteral(";base64,") + QString::fromLatin1(bytes.toBase64()) +
                         match.captured(2));
    }
    return html.toUtf8();
}

} // namespace snipstack
