#include "app/system/ImageThumbnail.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <cmath>

namespace snipstack {

namespace {

// Qt 6.4's own default, used should the application switch the limit off.
constexpr qint64 defaultLimitMiB = 128;

// Qt maps PNG quality 80 to zlib level 1: on photographs the default level costs several times the
// decode for thumbnails only about a sixth smaller.
constexpr int pngQuality = 80;

// Refuses decompression bombs from the header alone, before anything is allocated: a full decode
// in the format Qt would decode into (32 bits a pixel when the header does not tell) must fit the
// limit, even though Qt may decode some formats at reduced size within it.
bool withinAllocationLimit(const QImageReader& reader, QSize size) {
    const qint64 limitMiB =
        QImageReader::allocationLimit() > 0 ? QImageReader::allocationLimit() : defaultLimitMiB;
    const QImage::Format format = reader.imageFormat();
    const qint64 bitsPerPixel = format == QImage::Format_Invalid
                                    ? 32
                                    : std::max<qint64>(1, QImage::toPixelFormat(format).bitsPerPixel());
    return qint64(size.width()) * size.height() <= limitMiB * 1024 * 1024 * 8 / bitsPerPixel;
}

QSize fittedSize(QSize size, int maxPixels) {
    const int longest = std::max(size.width(), size.height());
    if (longest <= maxPixels) {
        return size;
    }
    const double scale = double(maxPixels) / longest;
    return {std::max(1, int(std::lround(size.width() * scale))),
            std::max(1, int(std::lround(size.height() * scale)))};
}

} // namespace

std::optional<ImageThumbnail> makeThumbnail(const Bytes& encoded, int maxPixels) {
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(encoded.data()), qsizetype(encoded.size()));
    QBuffer source(&bytes);
    if (!source.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QImageReader reader(&source);
    reader.setAutoTransform(true);
    // The stored size, read from the header; an unreadable header gives an empty size.
    const QSize stored = reader.size();
    if (stored.isEmpty() || !withinAllocationLimit(reader, stored)) {
        return std::nullopt;
    }
    const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    // The scaled size is in stored orientation: Qt scales while decoding and rotates afterwards.
    const QSize target = fittedSize(stored, maxPixels);
    if (target != stored) {
        reader.setScaledSize(target);
    }
    const QImage thumbnail = reader.read();
    if (thumbnail.isNull()) {
        return std::nullopt;
    }

    QByteArray png;
    QBuffer sink(&png);
    if (!sink.open(QIODevice::WriteOnly) || !thumbnail.save(&sink, "PNG", pngQuality)) {
        return std::nullopt;
    }
    const QSize shown = turned ? stored.transposed() : stored;
    return ImageThumbnail{Bytes(png.begin(), png.end()), shown.width(), shown.height()};
}

} // namespace snipstack
