#include "app/system/images/ImageThumbnail.h"

#include "app/system/LogCategories.h"
#include "app/system/images/JpegFrame.h"
#include "app/system/images/PngEncoder.h"
#include "app/system/images/PngReducedDecoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <string>

namespace snipstack {

namespace {

// Qt 6.4's own default, used should the application switch the limit off.
constexpr qint64 defaultLimitMiB = 128;

// PNG and JPEG are decoded straight to thumbnail size, so their memory no longer follows the pixel
// count, but their decode time still does: every pixel is inflated (PNG) or entropy-decoded (JPEG),
// at about 6 ns a pixel on a 2-vCPU machine. 2^29 pixels (23170 × 23170; a 20000 × 15000 panorama
// fits) keeps that near three seconds and JPEG's 1/8-scale decode buffer at 32 MiB. A header beyond
// it is far likelier a decompression bomb (a 50 MiB PNG can inflate to 50 GB) than a copied picture.
constexpr std::int64_t maxReducedDecodePixels = std::int64_t(1) << 29;

qint64 allocationLimitBytes() {
    const qint64 limitMiB =
        QImageReader::allocationLimit() > 0 ? QImageReader::allocationLimit() : defaultLimitMiB;
    return limitMiB * 1024 * 1024;
}

// Refuses decompression bombs from the header alone, before anything is allocated: a full decode
// in the format Qt would decode into (32 bits a pixel when the header does not tell) must fit the
// limit, even though Qt may decode some formats at reduced size within it.
bool withinAllocationLimit(const QImageReader& reader, QSize size) {
    const QImage::Format format = reader.imageFormat();
    const qint64 bitsPerPixel = format == QImage::Format_Invalid
                                    ? 32
                                    : std::max<qint64>(1, QImage::toPixelFormat(format).bitsPerPixel());
    return qint64(size.width()) * size.height() <= allocationLimitBytes() * 8 / bitsPerPixel;
}

// Qt reads JPEG through libjpeg's DCT scaling, at the smallest of 1/8, 1/4, 1/2 or full size that
// still covers the target, so memory is at most a sixty-fourth of the full image. Files that need
// whole-image coefficient buffers first (progressive ones) are held to Qt's limit for that buffer.
bool jpegFits(const Bytes& encoded, QSize size) {
    if (qint64(size.width()) * size.height() > maxReducedDecodePixels) {
        return false;
    }
    const std::optional<JpegFrame> frame = readJpegFrame(encoded);
    return frame &&
           (!frame->wholeImageCoefficients || frame->coefficientBytes <= quint64(allocationLimitBytes()));
}

std::optional<Bytes> encodeImage(const QImage& image) {
    const QImage rgba =
        image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
    return encodePng({rgba.constBits(), std::size_t(rgba.sizeInBytes())}, {rgba.width(), rgba.height()},
                     rgba.bytesPerLine(), !rgba.hasAlphaChannel());
}

std::optional<ImageThumbnail> pngThumbnail(const Bytes& encoded, int maxPixels) {
    std::string failure;
    std::optional<ReducedImage> reduced =
        decodeReducedPng(encoded, maxPixels, maxReducedDecodePixels, &failure);
    if (!reduced) {
        qCWarning(clipboardLog, "Not capturing a PNG image: %s", failure.c_str());
        return std::nullopt;
    }
    bool opaque = true;
    for (std::size_t alpha = 3; alpha < reduced->rgba.size() && opaque; alpha += 4) {
        opaque = reduced->rgba[alpha] == 255;
    }
    // Written as RGB when nothing is transparent, as Qt would for an opaque source.
    std::optional<Bytes> png = encodePng(reduced->rgba, reduced->size, reduced->size.width * 4, opaque);
    if (!png) {
        return std::nullopt;
    }
    return ImageThumbnail{std::move(*png), reduced->source.width, reduced->source.height};
}

} // namespace

std::optional<ImageThumbnail> makeThumbnail(const Bytes& encoded, int maxPixels) {
    // PNG never reaches Qt's reader, which would decode it at full size first.
    static constexpr std::uint8_t pngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (encoded.size() >= sizeof pngSignature &&
        std::equal(std::begin(pngSignature), std::end(pngSignature), encoded.begin())) {
        return pngThumbnail(encoded, maxPixels);
    }

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
    if (stored.isEmpty()) {
        return std::nullopt;
    }
    const bool fits =
        reader.format() == "jpeg" ? jpegFits(encoded, stored) : withinAllocationLimit(reader, stored);
    if (!fits) {
        qCWarning(clipboardLog,
                  "Not capturing a %d × %d %s image: decoding it would take too much memory or time",
                  stored.width(), stored.height(), reader.format().constData());
        return std::nullopt;
    }
    const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    // The scaled size is in stored orientation: Qt scales while decoding and rotates afterwards.
    const PixelSize fitted = fittedSize({stored.width(), stored.height()}, maxPixels);
    const QSize target(int(fitted.width), int(fitted.height));
    if (target != stored) {
        reader.setScaledSize(target);
    }
    const QImage thumbnail = reader.read();
    if (thumbnail.isNull()) {
        return std::nullopt;
    }
    std::optional<Bytes> png = encodeImage(thumbnail);
    if (!png) {
        return std::nullopt;
    }
    const QSize shown = turned ? stored.transposed() : stored;
    return ImageThumbnail{std::move(*png), shown.width(), shown.height()};
}

} // namespace snipstack
