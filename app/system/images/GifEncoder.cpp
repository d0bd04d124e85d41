#include "app/system/images/GifEncoder.h"

#include <array>
#include <cstdint>
#include <gif_lib.h>
#include <memory>
#include <unordered_map>
#include <vector>

namespace snipstack {

namespace {

constexpr int paletteSize = 256;

// Straight-alpha pixels, top row first.
struct Indexed {
    std::vector<GifByteType> pixels;
    std::array<GifColorType, paletteSize> palette{};
    int colours = 0;
    int transparent = NO_TRANSPARENT_COLOR;
};

bool isTransparent(QRgb pixel) {
    return qAlpha(pixel) < 128;
}

// The image's rows as straight-alpha QRgb, without a converted copy of the whole image: a screenshot
// is 33 MB, and the editor holds it twice already while it saves.
class Rows {
public:
    explicit Rows(const QImage& source)
        : image_(source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32 ||
                         source.format() == QImage::Format_ARGB32_Premultiplied
                     ? source
                     : source.convertToFormat(QImage::Format_ARGB32)),
          premultiplied_(image_.format() == QImage::Format_ARGB32_Premultiplied),
          row_(premultiplied_ ? std::size_t(image_.width()) : 0) {}

    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    bool hasAlphaChannel() const { return image_.hasAlphaChannel(); }

    const QRgb* row(int y) {
        const auto* line = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
        if (!premultiplied_) {
            return line;
        }
        for (int x = 0; x < image_.width(); ++x) {
            row_[std::size_t(x)] = qUnpremultiply(line[x]);
        }
        return row_.data();
    }

private:
    QImage image_;
    bool premultiplied_;
    std::vector<QRgb> row_;
};

// The palette the image already has, when it has room for it (and for a transparent entry).
bool exactPalette(Rows& image, bool hasTransparency, Indexed& out) {
    const int limit = hasTransparency ? paletteSize - 1 : paletteSize;
    std::unordered_map<QRgb, GifByteType> indices;
    indices.reserve(paletteSize * 2);
    const auto pixelCount = std::size_t(image.width()) * std::size_t(image.height());
    out.pixels.resize(pixelCount);
    GifByteType* to = out.pixels.data();
    // Runs of one colour are common in screenshots: the last lookup is reused.
    QRgb previous = 0;
    GifByteType previousIndex = 0;
    bool hasPrevious = false;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = image.row(y);
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = line[x];
            if (isTransparent(pixel)) {
                *to++ = GifByteType(limit);
                continue;
            }
            const QRgb colour = pixel | 0xFF000000u;
            if (!hasPrevious || colour != previous) {
                const auto [found, added] = indices.try_emplace(colour, GifByteType(indices.size()));
                if (added && int(indices.size()) > limit) {
                    return false;
                }
                previous = colour;
                previousIndex = found->second;
                hasPrevious = true;
            }
            *to++ = previousIndex;
        }
    }
    for (const auto& [colour, index] : indices) {
        out.palette[index] = {GifByteType(qRed(colour)), GifByteType(qGreen(colour)),
                              GifByteType(qBlue(colour))};
    }
    out.colours = int(indices.size());
    if (hasTransparency) {
        out.transparent = limit;
        out.colours = limit + 1;
    }
    return true;
}

// Median cut over the opaque pixels (giflib's), then transparency on top.
bool quantisedPalette(Rows& image, bool hasTransparency, Indexed& out) {
    const auto pixelCount = std::size_t(image.width()) * std::size_t(image.height());
    std::vector<GifByteType> red(pixelCount), green(pixelCount), blue(pixelCount);
    // The exact attempt's indices are of no use; their memory is.
    out.pixels.clear();
    out.pixels.shrink_to_fit();
    std::size_t i = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = image.row(y);
        for (int x = 0; x < image.width(); ++x, ++i) {
            red[i] = GifByteType(qRed(line[x]));
            green[i] = GifByteType(qGreen(line[x]));
            blue[i] = GifByteType(qBlue(line[x]));
        }
    }
    int colours = hasTransparency ? paletteSize - 1 : paletteSize;
    out.pixels.resize(pixelCount);
    if (GifQuantizeBuffer(unsigned(image.width()), unsigned(image.height()), &colours, red.data(),
                          green.data(), blue.data(), out.pixels.data(), out.palette.data()) != GIF_OK) {
        return false;
    }
    out.colours = colours;
    if (hasTransparency) {
        out.transparent = colours;
        out.colours = colours + 1;
        i = 0;
        for (int y = 0; y < image.height(); ++y) {
            const QRgb* line = image.row(y);
            for (int x = 0; x < image.width(); ++x, ++i) {
                if (isTransparent(line[x])) {
                    out.pixels[i] = GifByteType(out.transparent);
                }
            }
        }
    }
    return true;
}

int appendBytes(GifFileType* file, const GifByteType* data, int length) {
    auto* out = static_cast<Bytes*>(file->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

// giflib wants a colour map of a power-of-two size.
int mapSize(int colours) {
    int size = 2;
    while (size < colours) {
        size *= 2;
    }
    return size;
}

bool write(const Indexed& indexed, int width, int height, Bytes& out) {
    int error = 0;
    GifFileType* file = EGifOpen(&out, appendBytes, &error);
    if (!file) {
        return false;
    }
    const auto close = [](GifFileType* opened) {
        int ignored = 0;
        EGifCloseFile(opened, &ignored);
    };
    std::unique_ptr<GifFileType, decltype(close)> closing(file, close);
    std::unique_ptr<ColorMapObject, decltype(&GifFreeMapObject)> map(
        GifMakeMapObject(mapSize(indexed.colours), nullptr), &GifFreeMapObject);
    if (!map) {
        return false;
    }
    for (int i = 0; i < indexed.colours; ++i) {
        map->Colors[i] = indexed.palette[std::size_t(i)];
    }
    EGifSetGifVersion(file, indexed.transparent != NO_TRANSPARENT_COLOR);
    if (EGifPutScreenDesc(file, width, height, map->BitsPerPixel, 0, map.get()) != GIF_OK) {
        return false;
    }
    if (indexed.transparent != NO_TRANSPARENT_COLOR) {
        GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, indexed.transparent};
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        if (EGifPutExtension(file, GRAPHICS_EXT_FUNC_CODE, 4, extension) != GIF_OK) {
            return false;
        }
    }
    if (EGifPutImageDesc(file, 0, 0, width, height, false, nullptr) != GIF_OK) {
        return false;
    }
    for (int y = 0; y < height; ++y) {
        // giflib takes a mutable row but does not change it.
        auto* row = const_cast<GifByteType*>(indexed.pixels.data() + std::size_t(y) * std::size_t(width));
        if (EGifPutLine(file, row, width) != GIF_OK) {
            return false;
        }
    }
    const bool closed = EGifCloseFile(closing.release(), &error) == GIF_OK;
    return closed;
}

} // namespace

std::optional<Bytes> encodeGif(const QImage& source) {
    // GIF's dimensions are 16-bit.
    if (source.isNull() || source.width() > 0xFFFF || source.height() > 0xFFFF) {
        return std::nullopt;
    }
    Rows image(source);
    bool hasTransparency = false;
    if (image.hasAlphaChannel()) {
        for (int y = 0; y < image.height() && !hasTransparency; ++y) {
            const QRgb* line = image.row(y);
            for (int x = 0; x < image.width(); ++x) {
                if (isTransparent(line[x])) {
                    hasTransparency = true;
                    break;
                }
            }
        }
    }
    Indexed indexed;
    if (!exactPalette(image, hasTransparency, indexed) &&
        !quantisedPalette(image, hasTransparency, indexed)) {
        return std::nullopt;
    }
    Bytes out;
    if (!write(indexed, image.width(), image.height(), out)) {
        return std::nullopt;
    }
    return out;
}

} // namespace snipstack
