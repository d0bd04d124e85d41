#include "app/system/images/ImageThumbnail.h"

#include "app/system/images/JpegFrame.h"
#include "app/system/images/PngReducedDecoder.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QtEndian>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <png.h>

using namespace snipstack;

namespace {

using Samples = std::function<std::vector<int>(int x, int y)>;

struct PngLayout {
    int width;
    int height;
    int colourType;
    int depth;
    bool interlaced = false;
    Bytes palette = {};
    // A palette's alphas; for grey and RGB, any entry makes all-zero samples transparent.
    Bytes transparency = {};
};

// Written by libpng, which picks a filter per row and packs depths below 8. Without samples, the file
// ends after a first row of zeros: enough for a decoder that refuses the declared size before any row.
Bytes pngOf(const PngLayout& layout, const Samples& samples) {
    Bytes file;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &file,
        [](png_structp png, png_bytep data, png_size_t size) {
            auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
            out->insert(out->end(), data, data + size);
        },
        nullptr);
    png_set_IHDR(png, info, layout.width, layout.height, layout.depth, layout.colourType,
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!layout.palette.empty()) {
        png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(layout.palette.data()),
                     int(layout.palette.size() / 3));
    }
    png_color_16 zero{};
    if (!layout.transparency.empty()) {
        png_set_tRNS(png, info, layout.transparency.data(), int(layout.transparency.size()), &zero);
    }
    // Stored rather than compressed without samples, so that the one row fills IDAT chunks at once.
    png_set_compression_level(png, samples ? -1 : 0);
    png_write_info(png, info);
    if (!samples) {
        const Bytes zeros(std::size_t(layout.width) * 8);
        png_write_row(png, zeros.data());
    } else {
        png_set_packing(png);
        std::vector<Bytes> rows(std::size_t(layout.height));
        std::vector<png_bytep> pointers;
        for (int y = 0; y < layout.height; ++y) {
            Bytes& row = rows[std::size_t(y)];
            for (int x = 0; x < layout.width; ++x) {
                for (int sample : samples(x, y)) {
                    if (layout.depth == 16) {
                        row.push_back(std::uint8_t(sample >> 8));
                    }
                    row.push_back(std::uint8_t(sample));
                }
            }
            pointers.push_back(row.data());
        }
        png_write_image(png, pointers.data());
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    return file;
}

Bytes encoded(const QImage& image, const char* format, bool progressive = false) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    EXPECT_TRUE(writer.write(image));
    return Bytes(bytes.begin(), bytes.end());
}

// An Exif segment holding only an orientation, placed right after the JPEG's start marker.
Bytes withOrientation(Bytes jpeg, std::uint8_t orientation) {
    const Bytes exif{0xFF, 0xE1, 0, 34,   'E', 'x', 'i', 'f', 0, 0, 'M', 'M',         0, 42, 0, 0, 0, 8,
                     0,    1,    1, 0x12, 0,   3,   0,   0,   0, 1, 0,   orientation, 0, 0,  0, 0, 0, 0};
    jpeg.insert(jpeg.begin() + 2, exif.begin(), exif.end());
    return jpeg;
}

// A grey image, its left half `left` and its right half `right`.
QImage halves(int width, int height, int left, int right) {
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(right);
    for (int y = 0; y < height; ++y) {
        std::fill_n(image.scanLine(y), width / 2, std::uint8_t(left));
    }
    return image;
}

QImage decoded(const ImageThumbnail& thumbnail) {
    return QImage::fromData(thumbnail.png.data(), int(thumbnail.png.size()));
}

TEST(ImageThumbnailTest, ImagesPastQtsAllocationLimitAreThumbnailedAsDisplayed) {
    const std::optional<ImageThumbnail> png = makeThumbnail(encoded(halves(7000, 5000, 50, 200), "png"), 840);
    ASSERT_TRUE(png);
    EXPECT_EQ(std::pair(png->sourceWidth, png->sourceHeight),
              (std::pair<std::int64_t, std::int64_t>(7000, 5000)));
    const QImage pngImage = decoded(*png);
    EXPECT_EQ(pngImage.size(), QSize(840, 600));
    EXPECT_EQ(pngImage.pixel(100, 300), qRgb(50, 50, 50));
    EXPECT_EQ(pngImage.pixel(740, 300), qRgb(200, 200, 200));

    // Exif orientation 6 turns the stored image a quarter clockwise: its left half shows on top.
    const std::optional<ImageThumbnail> jpeg =
        makeThumbnail(withOrientation(encoded(halves(10000, 7000, 30, 200), "jpeg"), 6), 840);
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(std::pair(jpeg->sourceWidth, jpeg->sourceHeight),
              (std::pair<std::int64_t, std::int64_t>(7000, 10000)));
    const QImage jpegImage = decoded(*jpeg);
    EXPECT_EQ(jpegImage.size(), QSize(588, 840));
    EXPECT_NEAR(qGray(jpegImage.pixel(294, 100)), 30, 3);
    EXPECT_NEAR(qGray(jpegImage.pixel(294, 740)), 200, 3);
}

TEST(ImageThumbnailTest, ThumbnailsKeepTransparencyAndOpaqueOnesCarryNoAlpha) {
    QImage glass(1200, 300, QImage::Format_ARGB32);
    glass.fill(qRgba(0, 0, 255, 64));
    const std::optional<ImageThumbnail> clear = makeThumbnail(encoded(glass, "png"), 840);
    ASSERT_TRUE(clear);
    const QImage clearImage = decoded(*clear);
    EXPECT_EQ(clearImage.size(), QSize(840, 210));
    EXPECT_TRUE(clearImage.hasAlphaChannel());
    EXPECT_EQ(clearImage.pixel(420, 100), qRgba(0, 0, 255, 64));

    QImage wall(900, 900, QImage::Format_RGB32);
    wall.fill(qRgb(10, 120, 240));
    for (const char* format : {"png", "bmp"}) {
        const std::optional<ImageThumbnail> solid = makeThumbnail(encoded(wall, format), 840);
        ASSERT_TRUE(solid) << format;
        const QImage solidImage = decoded(*solid);
        EXPECT_EQ(solidImage.size(), QSize(840, 840)) << format;
        EXPECT_FALSE(solidImage.hasAlphaChannel()) << format;
        EXPECT_EQ(solidImage.pixel(839, 839), qRgb(10, 120, 240)) << format;
    }
}

TEST(ImageThumbnailTest, EveryPngColourTypeAndDepthDecodesToItsColours) {
    const Bytes palette{10, 20, 30, 200, 100, 0, 0, 255, 0, 7, 7, 7, 250, 240, 230};
    const std::tuple<int, int, bool> cases[] = {{0, 1, false},  {0, 2, true},  {0, 4, false}, {0, 8, true},
                                                {0, 16, false}, {2, 8, false}, {2, 16, true}, {3, 1, false},
                                                {3, 2, true},   {3, 4, false}, {3, 8, true},  {4, 8, false},
                                                {4, 16, true},  {6, 8, true},  {6, 16, false}};
    for (const auto& [colourType, depth, interlaced] : cases) {
        SCOPED_TRACE(testing::Message() << "colour type " << colourType << ", depth " << depth);
        const int channels = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
        const int levels = colourType == 3 ? std::min(1 << depth, 5) : 1 << depth;
        const auto samples = [&](int x, int y) {
            std::vector<int> values;
            for (int channel = 0; channel < channels; ++channel) {
                values.push_back((x * 7919 + y * 104729 + channel * 7) % levels);
            }
            return values;
        };
        // The pixel at (0, 0) is all zero samples: grey and RGB images make that value transparent.
        PngLayout layout{13, 11, colourType, depth, interlaced};
        if (colourType == 3) {
            layout.palette.assign(palette.begin(), palette.begin() + 3 * levels);
            layout.transparency = {0, 128};
        } else if (colourType == 0 || colourType == 2) {
            layout.transparency.assign(std::size_t(2 * channels), 0);
        }
        const std::optional<ReducedImage> image = decodeReducedPng(pngOf(layout, samples), 64, 1'000'000);
        ASSERT_TRUE(image);
        ASSERT_EQ(image->size, (PixelSize{13, 11}));
        const auto level = [&](int value) { return int(std::lround(value * 255.0 / ((1 << depth) - 1))); };
        for (int y = 0; y < 11; ++y) {
            for (int x = 0; x < 13; ++x) {
                const std::vector<int> s = samples(x, y);
                std::array<int, 4> want{};
                if (colourType == 3) {
                    want = {palette[3 * s[0]], palette[3 * s[0] + 1], palette[3 * s[0] + 2],
                            s[0] < 2 ? layout.transparency[s[0]] : 255};
                } else {
                    const bool keyed =
                        !layout.transparency.empty() && std::count(s.begin(), s.end(), 0) == channels;
                    const int alpha = channels % 2 == 0 ? level(s.back()) : keyed ? 0 : 255;
                    want = channels >= 3 ? std::array{level(s[0]), level(s[1]), level(s[2]), alpha}
                                         : std::array{level(s[0]), level(s[0]), level(s[0]), alpha};
                }
                const std::uint8_t* got = image->rgba.data() + 4 * (y * 13 + x);
                for (int channel = want[3] == 0 ? 3 : 0; channel < 4; ++channel) {
                    ASSERT_NEAR(got[channel], want[channel], 1) << "at " << x << ", " << y;
                }
            }
        }
    }
}

TEST(ImageThumbnailTest, ReducedPixelsAverageTheAreaTheyCoverWeightedByAlpha) {
    // Opaque red beside transparent green: half-covered red, not a muddy brown.
    const std::optional<ReducedImage> halfRed =
        decodeReducedPng(pngOf({2, 1, 6, 8},
                               [](int x, int) {
                                   return x == 0 ? std::vector{255, 0, 0, 255} : std::vector{0, 255, 0, 0};
                               }),
                         1, 100);
    ASSERT_TRUE(halfRed);
    EXPECT_EQ(halfRed->rgba, (Bytes{255, 0, 0, 128}));
    // Three pixels into two: each reduced pixel takes one whole pixel and half the middle one.
    const std::optional<ReducedImage> thirds =
        decodeReducedPng(pngOf({3, 1, 0, 8},
                               [](int x, int) {
                                   return std::vector{std::array{0, 90, 255}[x]};
                               }),
                         2, 100);
    ASSERT_TRUE(thirds);
    EXPECT_EQ(thirds->rgba, (Bytes{30, 30, 30, 255, 200, 200, 200, 255}));

    // Halving: each reduced pixel is its 2 × 2 block's average, however the file is interlaced.
    const auto samples = [](int x, int y) {
        return std::vector{(x * 37 + y * 11) % 256, (x * y) % 256, (x + 3 * y) % 256,
                           (x * 53 + y * 29) % 256};
    };
    const std::optional<ReducedImage> plain = decodeReducedPng(pngOf({26, 22, 6, 8}, samples), 13, 1000);
    const std::optional<ReducedImage> interlaced =
        decodeReducedPng(pngOf({26, 22, 6, 8, true}, samples), 13, 1000);
    ASSERT_TRUE(plain && interlaced);
    EXPECT_EQ(plain->size, (PixelSize{13, 11}));
    EXPECT_EQ(plain->rgba, interlaced->rgba);
    for (int y = 0; y < 11; ++y) {
        for (int x = 0; x < 13; ++x) {
            std::array<int, 4> sums{};
            for (auto [sx, sy] :
                 {std::pair{2 * x, 2 * y}, {2 * x + 1, 2 * y}, {2 * x, 2 * y + 1}, {2 * x + 1, 2 * y + 1}}) {
                const std::vector<int> s = samples(sx, sy);
                for (int channel = 0; channel < 3; ++channel) {
                    sums[channel] += s[channel] * s[3];
                }
                sums[3] += s[3];
            }
            const std::uint8_t* got = plain->rgba.data() + 4 * (y * 13 + x);
            EXPECT_NEAR(got[3], sums[3] / 4.0, 0.5);
            for (int channel = 0; sums[3] > 0 && channel < 3; ++channel) {
                EXPECT_NEAR(got[channel], double(sums[channel]) / sums[3], 0.5);
            }
        }
    }
}

TEST(ImageThumbnailTest, BombsAreRefusedFromTheHeaderAndDamageYieldsNothing) {
    // Headers alone: the bound is met before any row is read.
    const auto declaring = [](int width, int height) { return pngOf({width, height, 0, 8}, nullptr); };
    std::string failure;
    EXPECT_FALSE(decodeReducedPng(declaring(60'000, 60'000), 840, std::uint64_t(1) << 29, &failure));
    EXPECT_EQ(failure, "the image declares too many pixels");
    EXPECT_FALSE(makeThumbnail(declaring(100'000, 100'000), 840));
    EXPECT_FALSE(decodeReducedPng(declaring(20'000, 15'000), 840, std::uint64_t(1) << 29, &failure));
    EXPECT_NE(failure, "the image declares too many pixels");

    // A progressive JPEG needs its whole coefficient buffer, whatever the scale: 900 MB at 20000 × 15000.
    QImage small(64, 48, QImage::Format_RGB32);
    small.fill(Qt::darkCyan);
    Bytes progressive = encoded(small, "jpeg", true);
    const std::optional<JpegFrame> frame = readJpegFrame(progressive);
    ASSERT_TRUE(frame);
    EXPECT_TRUE(frame->wholeImageCoefficients);
    EXPECT_EQ(frame->coefficientBytes, 4u * 3 * 6 * 128); // 4 × 3 MCUs of 16 × 16, 6 blocks each
    ASSERT_TRUE(makeThumbnail(progressive, 840));
    const std::array<std::uint8_t, 2> progressiveFrame{0xFF, 0xC2};
    const auto sof =
        std::search(progressive.begin(), progressive.end(), progressiveFrame.begin(), progressiveFrame.end());
    ASSERT_NE(sof, progressive.end());
    qToBigEndian(quint16(15'000), &*sof + 5);
    qToBigEndian(quint16(20'000), &*sof + 7);
    EXPECT_FALSE(makeThumbnail(progressive, 840));

    // Cut anywhere before the image data ends, a PNG gives nothing; a flipped bit fails its CRC.
    const Bytes whole = pngOf({40, 30, 2, 8}, [](int x, int y) { return std::vector{x * 6, y * 8, 99}; });
    const std::size_t dataEnd = whole.size() - 12;
    for (std::size_t length = 0; length < whole.size(); length += 3) {
        EXPECT_EQ(decodeReducedPng({whole.data(), length}, 16, 10'000).has_value(), length >= dataEnd)
            << length;
    }
    EXPECT_FALSE(makeThumbnail(Bytes(whole.begin(), whole.begin() + whole.size() / 2), 840));
    Bytes flipped = whole;
    flipped[dataEnd - 20] ^= 0x10;
    EXPECT_FALSE(decodeReducedPng(flipped, 16, 10'000));
}

} // namespace
