#include "app/system/ocr/TextRecognition.h"

#include "app/system/ocr/TextRecognitionImage.h"
#include "app/system/ocr/TextRecognitionTiles.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <filesystem>
#include <gtest/gtest.h>
#include <png.h>

using namespace snipstack;

namespace {

Bytes encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format));
    return Bytes(bytes.begin(), bytes.end());
}

void appendWritten(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// Qt writes no interlaced PNG; libpng does.
Bytes interlacedPng(const QImage& image) {
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    const QSize size = rgba.size();
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, appendWritten, nullptr);
    png_set_IHDR(png, info, png_uint_32(size.width()), png_uint_32(size.height()), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_bytep> rows;
    for (int y = 0; y < rgba.height(); ++y) {
        rows.push_back(const_cast<png_bytep>(rgba.constScanLine(y)));
    }
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

long threadCount() {
    return std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                         std::filesystem::directory_iterator());
}

// Colours and transparency that differ from pixel to pixel, so that a misplaced pixel shows.
QImage pattern(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y,
                           qRgba(x * 7 % 256, y * 13 % 256, (x + y) % 256, (x * y) % 3 == 0 ? 255 : 90));
        }
    }
    return image;
}

std::vector<std::uint8_t> readAll(GreyImageReader& reader, int left, int width, std::vector<int> bands) {
    std::vector<std::uint8_t> grey;
    for (int rows : bands) {
        const std::size_t at = grey.size();
        grey.resize(at + std::size_t(rows) * std::size_t(width));
        EXPECT_TRUE(reader.read(rows, left, width, grey.data() + at, width));
    }
    return grey;
}

TEST(TextRecognitionTest, TilesCoverTheImageAndShareEachWordWithExactlyOneTile) {
    EXPECT_EQ(tileSpans(1080, 2048, 128), (std::vector<TileSpan>{{0, 1080, 0, 1080}}));
    EXPECT_TRUE(tileSpans(0, 2048, 128).empty());
    for (auto [length, maxTile, overlap] : {std::array{1081, 1080, 128},
                                            {8000, 768, 128},
                                            {8000, 2048, 128},
                                            {23170, 2048, 128},
                                            {1000, 300, 128}}) {
        const std::vector<TileSpan> spans = tileSpans(length, maxTile, overlap);
        ASSERT_GE(spans.size(), 2u) << length;
        EXPECT_EQ(spans.front().start, 0);
        EXPECT_EQ(spans.back().end, length);
        EXPECT_EQ(spans.front().shareFrom, 0);
        EXPECT_EQ(spans.back().shareTo, length);
        for (std::size_t i = 0; i < spans.size(); ++i) {
            EXPECT_LE(spans[i].end - spans[i].start, maxTile);
            if (i + 1 < spans.size()) {
                EXPECT_GE(spans[i].end - spans[i + 1].start, overlap) << length << " tile " << i;
                EXPECT_EQ(spans[i].shareTo, spans[i + 1].shareFrom);
                // Half the overlap on each side, so that a word narrower than the overlap whose
                // centre is in a share lies whole in that tile.
                EXPECT_GE(spans[i].end - spans[i].shareTo, overlap / 2);
                EXPECT_GE(spans[i + 1].shareFrom - spans[i + 1].start, overlap / 2);
            }
        }
    }
    // A word across the boundary of two shares belongs to one of them only.
    const QRect upper(0, 0, 100, 500), lower(0, 500, 100, 500);
    for (int top = 480; top < 510; ++top) {
        const QRect word(10, top, 40, 15);
        EXPECT_NE(inShare(upper, word), inShare(lower, word)) << top;
    }
}

TEST(TextRecognitionTest, LinesCutByTileColumnsAreJoinedAndOrderedTopToBottom) {
    const auto word = [](const char* text, int x, int y) {
        return RecognizedWord{text, QRect(x, y, 60, 16)};
    };
    std::vector<LineFragment> fragments{
        {1, 0, {word("lower", 10, 900)}},
        {0, 1, {word("brown", 2060, 102), word("fox", 2130, 101)}},
        {0, 0, {word("the", 1900, 100), word("quick", 1970, 100)}},
        {0, 1, {word("aside", 2500, 300)}},
        {0, 0, {word("top", 500, 20)}},
    };
    const RecognizedText text = assembleLines(std::move(fragments));
    EXPECT_EQ(text.text, "top\nthe quick brown fox\naside\nlower");
    ASSERT_EQ(text.words.size(), 7u);
    EXPECT_EQ(text.words[1], word("the", 1900, 100));
    EXPECT_EQ(text.words[4], word("fox", 2130, 101));
}

TEST(TextRecognitionTest, PngIsReadInBandsAndWindowsAsItsPixelsOnWhite) {
    const QImage image = pattern(67, 45);
    const Bytes plain = encoded(image, "PNG");
    const Bytes interlaced = interlacedPng(image);
    std::vector<std::uint8_t> expected;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 9; x < 9 + 40; ++x) {
            const QRgb pixel = image.pixel(x, y);
            const int alpha = qAlpha(pixel);
            expected.push_back(std::uint8_t((qGray(pixel) * alpha + 255 * (255 - alpha) + 127) / 255));
        }
    }
    for (const Bytes* png : {&plain, &interlaced}) {
        const std::unique_ptr<GreyImageReader> reader = GreyImageReader::open(*png);
        ASSERT_TRUE(reader);
        EXPECT_EQ(reader->size(), QSize(67, 45));
        const std::vector<std::uint8_t> grey = readAll(*reader, 9, 40, {20, 1, 24});
        ASSERT_EQ(grey.size(), expected.size());
        for (std::size_t i = 0; i < grey.size(); ++i) {
            ASSERT_NEAR(grey[i], expected[i], 1) << "pixel " << i;
        }
        std::uint8_t pastTheEnd[40];
        EXPECT_FALSE(reader->read(1, 9, 40, pastTheEnd, 40));
        ASSERT_TRUE(reader->rewind());
        EXPECT_EQ(readAll(*reader, 9, 40, {45}), grey);
    }
}

TEST(TextRecognitionTest, OtherFormatsReadAsTheirDecodedPixels) {
    const QImage image = pattern(64, 48).convertToFormat(QImage::Format_RGB32);
    for (const char* format : {"JPEG", "BMP", "TIFF"}) {
        const Bytes bytes = encoded(image, format);
        const QImage decoded =
            QImage::fromData(bytes.data(), int(bytes.size())).convertToFormat(QImage::Format_RGB32);
        const std::unique_ptr<GreyImageReader> reader = GreyImageReader::open(bytes);
        ASSERT_TRUE(reader) << format;
        EXPECT_EQ(reader->size(), QSize(64, 48));
        const std::vector<std::uint8_t> grey = readAll(*reader, 5, 50, {30, 18});
        for (int y = 0; y < 48; ++y) {
            for (int x = 0; x < 50; ++x) {
                ASSERT_NEAR(grey[std::size_t(y) * 50 + x], qGray(decoded.pixel(5 + x, y)), 1)
                    << format << " at " << x << "," << y;
            }
        }
    }
    std::string failure;
    EXPECT_FALSE(
        GreyImageReader::open(Bytes{'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'}, &failure));
    EXPECT_FALSE(failure.empty());
}

TEST(TextRecognitionTest, DarkRegionsTurnLightWithDarkText) {
    // A dark sidebar and a light page, each with a bar of "text" in the other shade.
    QImage image(200, 100, QImage::Format_Grayscale8);
    image.fill(240);
    QPainter painter(&image);
    painter.fillRect(0, 0, 80, 100, QColor(30, 30, 30));
    painter.fillRect(20, 45, 40, 6, QColor(230, 230, 230));
    painter.fillRect(120, 45, 60, 6, QColor(20, 20, 20));
    painter.end();
    normalizePolarity(image.bits(), image.width(), image.height(), image.bytesPerLine());
    for (const QPoint background : {QPoint(10, 10), QPoint(40, 80), QPoint(150, 10), QPoint(190, 90)}) {
        EXPECT_GT(qGray(image.pixel(background)), 200) << background.x() << "," << background.y();
    }
    for (const QPoint text : {QPoint(40, 47), QPoint(150, 47)}) {
        EXPECT_LT(qGray(image.pixel(text)), 50) << text.x() << "," << text.y();
    }
}

struct Drawn {
    QString text;
    QRect box;
};

// Words in three shades on light, dark and grey panels; each word's box as drawn.
QImage page(QSize size, const std::vector<std::pair<QString, QPoint>>& words, std::vector<Drawn>& drawn) {
    QImage image(size, QImage::Format_Grayscale8);
    image.fill(250);
    QPainter painter(&image);
    QFont font("DejaVu Sans");
    font.setPixelSize(22);
    painter.setFont(font);
    for (std::size_t i = 0; i < words.size(); ++i) {
        const auto& [text, at] = words[i];
        const QRect box = painter.fontMetrics().boundingRect(text).translated(at);
        const int shade = int(i % 3);
        painter.fillRect(box.adjusted(-30, -20, 30, 20), shade == 0   ? QColor(250, 250, 250)
                                                         : shade == 1 ? QColor(35, 35, 40)
                                                                      : QColor(215, 215, 220));
        painter.setPen(shade == 1 ? QColor(235, 235, 235) : QColor(25, 25, 25));
        painter.drawText(at, text);
        drawn.push_back({text, box});
    }
    return image;
}

void expectEachWordOnceInPlace(const RecognizedText& read, const std::vector<Drawn>& drawn) {
    for (const Drawn& word : drawn) {
        int found = 0;
        for (const RecognizedWord& got : read.words) {
            if (QString::fromStdString(got.text) == word.text) {
                ++found;
                EXPECT_TRUE(word.box.adjusted(-4, -4, 4, 4).contains(got.box))
                    << word.text.toStdString() << " read at " << got.box.x() << "," << got.box.y();
            }
        }
        EXPECT_EQ(found, 1) << word.text.toStdString();
    }
}

TEST(TextRecognitionTest, ReadsWordsOnLightDarkAndGreyPanelsWhereTheyAre) {
    std::vector<Drawn> drawn;
    const QImage image = page({900, 300},
                              {{"Clipboard", {40, 60}},
                               {"history", {340, 60}},
                               {"keeps", {640, 60}},
                               {"everything", {40, 200}},
                               {"you", {340, 200}},
                               {"copy", {640, 200}}},
                              drawn);
    const long threadsBefore = threadCount();
    const std::optional<RecognizedText> read = recognizeTextIn(encoded(image, "PNG"));
    ASSERT_TRUE(read);
    expectEachWordOnceInPlace(*read, drawn);
    // Tesseract's OpenMP regions run on the calling thread: no team of threads is started for them.
    EXPECT_EQ(threadCount(), threadsBefore);
    // Line by line, top to bottom.
    EXPECT_EQ(QString::fromStdString(read->text).split(QRegularExpression("\\s+")),
              QStringList({"Clipboard", "history", "keeps", "everything", "you", "copy"}));

    EXPECT_FALSE(recognizeTextIn(Bytes{'G', 'I', 'F', '8', '9', 'a'}));
}

// 8000 × 8000 grey pixels: what Qt's allocation limit refuses to decode. Words stand in the image's
// corners and across the boundaries between the shares of tile rows and columns.
TEST(TextRecognitionTest, ImagesPastQtsAllocationLimitAreReadInTilesWithBoxesInTheImage) {
    const std::vector<TileSpan> rows = tileSpans(8000, maxTileHeight, tileOverlap);
    const std::vector<TileSpan> columns = tileSpans(8000, maxTileWidth, tileOverlap);
    ASSERT_GE(rows.size(), 3u);
    ASSERT_GE(columns.size(), 3u);
    // Baselines a few pixels below a boundary put the boundary through the word.
    std::vector<Drawn> drawn;
    const QImage image = page({8000, 8000},
                              {{"north", {60, 40}},
                               {"across", {columns[0].shareTo - 40, 3000}},
                               {"between", {columns[1].shareTo - 40, rows[1].shareTo + 6}},
                               {"below", {4000, rows[2].shareTo + 6}},
                               {"window", {7900, 7990}},
                               {"southwest", {40, 7990}},
                               {"eastern", {7880, 3000}}},
                              drawn);
    const Bytes png = encoded(image, "PNG");
    ASSERT_TRUE(QImage::fromData(png.data(), int(png.size())).isNull());
    const std::optional<RecognizedText> read = recognizeTextIn(png);
    ASSERT_TRUE(read);
    expectEachWordOnceInPlace(*read, drawn);
}

} // namespace
