#include "app/system/richtext/ResourceDocument.h"

#include <QImage>

namespace snipstack {

namespace {

const QString placeholderKey = QStringLiteral("snipstack-placeholder");

QByteArray dataUrlBytes(const QUrl& url) {
    const QByteArray text = url.toEncoded();
    const auto comma = text.indexOf(',');
    if (comma < 0) {
        return {};
    }
    const QByteArray payload = text.mid(comma + 1);
    return text.left(comma).endsWith(";base64")
               ? QByteArray::fromBase64(QByteArray::fromPercentEncoding(payload))
               : QByteArray::fromPercentEncoding(payload);
}

} // namespace

ResourceDocument::ResourceDocument(Subresources subresources, QObject* parent)
    : QTextDocument(parent), subresources_(std::move(subresources)) {}

bool ResourceDocument::isPlaceholder(const QImage& image) {
    return !image.text(placeholderKey).isEmpty();
}

QVariant ResourceDocument::loadResource(int type, const QUrl& name) {
    QVariant value;
    if (name.scheme() == QLatin1String("data")) {
        value = dataUrlBytes(name);
    } else {
        const auto key = baseUrl().resolved(name).toString().toStdString();
        auto found = subresources_.find(key);
        if (found == subresources_.end()) {
            found = subresources_.find(name.toString().toStdString());
        }
        if (found != subresources_.end()) {
            const auto& data = found->second.data;
            value =
                QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
        }
    }
    if (type == QTextDocument::StyleSheetResource && value.isValid()) {
        value = QString::fromUtf8(value.toByteArray());
    }
    if (type == QTextDocument::ImageResource && (!value.isValid() || value.toByteArray().isEmpty())) {
        QImage placeholder(1, 1, QImage::Format_ARGB32_Premultiplied);
        placeholder.fill(Qt::transparent);
        placeholder.setText(placeholderKey, QStringLiteral("1"));
        value = placeholder;
    }
    if (value.isValid()) {
        addResource(type, name, value);
    }
    return value;
}

} // namespace snipstack
