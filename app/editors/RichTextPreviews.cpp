#include "app/editors/RichTextPreviews.h"

#include "app/editors/ImageFitting.h"
#include "app/system/richtext/FormattedText.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <cmath>

namespace snipstack {

namespace {

const QColor darkBackground = QColor::fromRgbF(0.12f, 0.12f, 0.12f);

void shorten(QTextDocument& document) {
    if (document.characterCount() <= RichTextPreviews::maxCharacters) {
        return;
    }
    QTextCursor cursor(&document);
    cursor.setPosition(RichTextPreviews::maxCharacters);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

} // namespace

double RichTextPreviews::textLuminance(const QTextDocument& document) {
    double sum = 0;
    qint64 characters = 0;
    for (auto block = document.begin(); block != document.end(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const auto fragment = it.fragment();
            const auto format = fragment.charFormat();
            characters += fragment.length();
            if (format.hasProperty(QTextFormat::ForegroundBrush) &&
                format.foreground().style() != Qt::NoBrush) {
                const auto color = format.foreground().color().toRgb();
                sum += fragment.length() *
                       (0.2126 * color.redF() + 0.7152 * color.greenF() + 0.0722 * color.blueF());
            }
        }
    }
    return characters > 0 ? sum / static_cast<double>(characters) : 0;
}

QImage RichTextPreviews::draw(QTextDocument& document) {
    shorten(document);
    document.setDocumentMargin(6);
    document.setTextWidth(width);
    fitImagesToWidth(document, width - 2 * document.documentMargin());
    const bool lightText = textLuminance(document) > lightTextThreshold;
    const int height = std::clamp(static_cast<int>(std::ceil(document.size().height())), 1, maxHeight);
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(lightText ? darkBackground : QColor(Qt::white));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, lightText ? Qt::white : Qt::black);
    context.clip = QRectF(0, 0, width, height);
    document.documentLayout()->draw(&painter, context);
    return image;
}

std::optional<Bytes> RichTextPreviews::render(const ClipPayload& payload) {
    const auto document = formattedText(payload);
    if (!document) {
        return std::nullopt;
    }
    const auto image = draw(*document);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        return std::nullopt;
    }
    return Bytes(png.begin(), png.end());
}

} // namespace snipstack
