#include "app/editors/ImageFitting.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QTextBlock>
#include <QTextCursor>
#include <algorithm>
#include <cmath>

namespace snipstack {

namespace {

QSizeF imageSize(const QTextDocument& document, const QTextImageFormat& format) {
    const QSizeF shown(format.width(), format.height());
    if (shown.width() > 0 && shown.height() > 0) {
        return shown;
    }
    const auto resource = document.resource(QTextDocument::ImageResource, QUrl(format.name()));
    if (resource.userType() == QMetaType::QByteArray) {
        auto bytes = resource.toByteArray();
        QBuffer buffer(&bytes);
        return QImageReader(&buffer).size();
    }
    return resource.value<QImage>().size();
}

} // namespace

void fitImagesToWidth(QTextDocument& document, qreal width) {
    for (auto block = document.begin(); block != document.end(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const auto fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat()) {
                continue;
            }
            auto format = fragment.charFormat().toImageFormat();
            const QSizeF size = imageSize(document, format);
            if (size.width() <= width || size.height() <= 0) {
                continue;
            }
            format.setWidth(width);
            // std::round takes halves away from zero.
            format.setHeight(std::round(size.height() * width / size.width()));
            QTextCursor cursor(&document);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }
}

QRect fittedImageFrame(QSize image, QSize available) {
    if (image.isEmpty() || available.isEmpty()) {
        return {};
    }
    const double scale =
        std::min(double(available.width()) / image.width(), double(available.height()) / image.height());
    // std::round takes halves away from zero.
    const double width = std::round(image.width() * scale);
    const double height = std::round(image.height() * scale);
    return QRect(int(std::round((available.width() - width) / 2)),
                 int(std::round((available.height() - height) / 2)), int(width), int(height));
}

} // namespace snipstack
