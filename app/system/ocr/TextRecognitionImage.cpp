#include "app/system/ocr/TextRecognitionImage.h"

#include "app/system/images/JpegFrame.h"
#include "app/system/images/PngRowReader.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <span>
#include <vector>

namespace snipstack {
namespace {

// The capture keeps no PNG or JPEG of more pixels (23170 × 23170); beyond it a header is far likelier
// a decompression bomb than a copied picture.
constexpr std::int64_t maxPixels = std::int64_t(1) << 29;

// Qt decodes a JPEG band into 32-bit pixels before it is turned grey; bands are cut to this size.
constexpr std::int64_t jpegBandBytes = 16 << 20;

// Qt 6.4's own default, used should the application switch the limit off.
constexpr qint64 defaultLimitMiB = 128;

qint64 allocationLimitBytes() {
    const qint64 limitMiB =
        QImageReader::allocationLimit() > 0 ? QImageReader::allocationLimit() : defaultLimitMiB;
    return limitMiB * 1024 * 1024;
}

void fail(std::string* failure, const char* why) {
    if (failure) {
        *failure = why;
    }
}

// Qt's grey weights (qGray), then the pixel laid over white by its alpha.
inline std::uint8_t greyOnWhite(unsigned red, unsigned green, unsigned blue, unsigned alpha) {
    const unsigned grey = (red * 11 + green * 16 + blue * 5) / 32;
    return std::uint8_t((grey * alpha + 255 * (255 - alpha) + 127) / 255);
}

// Columns [left, left + width) of row `y` of a decoded image.
void greyRow(const QImage& image, int y, int left, int width, std::uint8_t* out) {
    switch (image.format()) {
    case QImage::Format_Grayscale8:
        std::memcpy(out, image.constScanLine(y) + left, std::size_t(width));
        return;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32: {
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y)) + left;
        for (int x = 0; x < width; ++x) {
            out[x] = greyOnWhite(qRed(pixels[x]), qGreen(pixels[x]), qBlue(pixels[x]), qAlpha(pixels[x]));
        }
        return;
    }
    default: {
        // Rare formats (16-bit, indexed, premultiplied ...) go one row at a time through Qt's conversion.
        const QImage row = image.copy(left, y, width, 1).convertToFormat(QImage::Format_ARGB32);
        greyRow(row, 0, 0, width, out);
        return;
    }
    }
}

// ---- PNG, row by row through libpng ----

class PngGreyReader final : public GreyImageReader {
public:
    explicit PngGreyReader(std::span<const std::uint8_t> bytes) : reader_(bytes) {}

    bool start(std::string* failure) {
        if (!reader_.start(maxPixels)) {
            fail(failure, reader_.failure().c_str());
            return false;
        }
        nextRow_ = 0;
        return true;
    }

    QSize size() const override { return QSize(int(reader_.header().width), int(reader_.header().height)); }
    int dotsPerInch() const override { return reader_.header().dotsPerInch; }

    bool read(int rows, int left, int width, std::uint8_t* out, std::ptrdiff_t stride) override {
        const QSize whole = size();
        if (rows < 0 || nextRow_ + rows > whole.height() || left < 0 || width < 0 ||
            left + width > whole.width()) {
            return false;
        }
        const int first = nextRow_;
        const int channels = reader_.channels();
        // Keeps the pixels that fall into rows [first, first + rows) and columns [left, left + width).
        const auto keep = [&](const std::uint8_t* pixels, std::uint32_t count, std::uint32_t row,
                              std::uint32_t x0, std::uint32_t step) {
            const std::int64_t y = std::int64_t(row) - first;
            if (y < 0 || y >= rows) {
                return;
            }
            for (std::uint32_t i = 0; i < count; ++i, pixels += channels) {
                const std::int64_t x = std::int64_t(x0) + std::int64_t(i) * step - left;
                if (x >= 0 && x < width) {
                    out[y * stride + x] =
                        greyOnWhite(pixels[0], pixels[1], pixels[2], channels == 4 ? pixels[3] : 255);
                }
            }
        };
        nextRow_ = first + rows;
        if (!reader_.header().interlaced) {
            return reader_.readRows(std::uint32_t(rows), keep);
        }
        // Each read of an interlaced image takes a decoding of its own, from the top.
        return reader_.start(maxPixels) && reader_.readPasses(keep);
    }

    bool rewind() override { return start(nullptr); }

private:
    PngRowReader reader_;
    int nextRow_ = 0;
};

// ---- JPEG, a clipped band at a time through Qt ----

QByteArray rawBytes(std::span<const std::uint8_t> bytes) {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

class JpegGreyReader final : public GreyImageReader {
public:
    JpegGreyReader(std::span<const std::uint8_t> bytes, QSize size, int dotsPerInch)
        : bytes_(rawBytes(bytes)), size_(size), dotsPerInch_(dotsPerInch) {}

    QSize size() const override { return size_; }
    int dotsPerInch() const override { return dotsPerInch_; }

    bool read(int rows, int left, int width, std::uint8_t* out, std::ptrdiff_t stride) override {
        if (rows == 0) {
            return true;
        }
        if (rows < 0 || nextRow_ + rows > size_.height() || left < 0 || width <= 0 ||
            left + width > size_.width()) {
            return false;
        }
        // libjpeg decodes from the top every time, skipping what lies above the band.
        const int bandRows = int(std::max<std::int64_t>(1, jpegBandBytes / (std::int64_t(width) * 4)));
        for (int done = 0; done < rows;) {
            const int count = std::min(bandRows, rows - done);
            QByteArray bytes = bytes_;
            QBuffer source(&bytes);
            source.open(QIODevice::ReadOnly);
            QImageReader reader(&source, "jpeg");
            reader.setClipRect(QRect(left, nextRow_, width, count));
            const QImage band = reader.read();
            if (band.width() != width || band.height() != count) {
                return false;
            }
            for (int y = 0; y < count; ++y) {
                greyRow(band, y, 0, width, out + (done + y) * stride);
            }
            done += count;
            nextRow_ += count;
        }
        return true;
    }

    bool rewind() override {
        nextRow_ = 0;
        return true;
    }

private:
    QByteArray bytes_;
    QSize size_;
    int dotsPerInch_ = 0;
    int nextRow_ = 0;
};

// ---- anything else, decoded whole by Qt ----

class WholeGreyReader final : public GreyImageReader {
public:
    explicit WholeGreyReader(QImage image) : image_(std::move(image)) {}

    QSize size() const override { return image_.size(); }
    int dotsPerInch() const override { return int(std::lround(image_.dotsPerMeterX() * 0.0254)); }

    bool read(int rows, int left, int width, std::uint8_t* out, std::ptrdiff_t stride) override {
        if (rows < 0 || nextRow_ + rows > image_.height() || left < 0 || width < 0 ||
            left + width > image_.width()) {
            return false;
        }
        for (int y = 0; y < rows; ++y) {
            greyRow(image_, nextRow_ + y, left, width, out + y * stride);
        }
        nextRow_ += rows;
        return true;
    }

    bool rewind() override {
        nextRow_ = 0;
        return true;
    }

private:
    QImage image_;
    int nextRow_ = 0;
};

} // namespace

std::unique_ptr<GreyImageReader> GreyImageReader::open(const Bytes& encoded, std::string* failure) {
    static constexpr std::uint8_t pngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (encoded.size() >= sizeof pngSignature &&
        std::equal(std::begin(pngSignature), std::end(pngSignature), encoded.begin())) {
        auto reader = std::make_unique<PngGreyReader>(encoded);
        return reader->start(failure) ? std::move(reader) : nullptr;
    }

    QByteArray bytes = rawBytes(encoded);
    QBuffer source(&bytes);
    source.open(QIODevice::ReadOnly);
    QImageReader reader(&source);
    reader.setAutoTransform(true);
    if (reader.format() == "jpeg" && reader.transformation() == QImageIOHandler::TransformationNone) {
        const QSize stored = reader.size();
        const std::optional<JpegFrame> frame = readJpegFrame(encoded);
        if (stored.isEmpty() || !frame) {
            fail(failure, "a damaged JPEG");
            return nullptr;
        }
        if (std::int64_t(stored.width()) * stored.height() > maxPixels ||
            (frame->wholeImageCoefficients && frame->coefficientBytes > quint64(allocationLimitBytes()))) {
            fail(failure, "the JPEG would take too much memory to decode");
            return nullptr;
        }
        // Qt's JPEG reader gives no resolution before decoding; screenshots rarely state one.
        return std::make_unique<JpegGreyReader>(encoded, stored, 0);
    }
    QImage image = reader.read();
    if (image.isNull()) {
        const std::string why = reader.errorString().toStdString();
        fail(failure, why.c_str());
        return nullptr;
    }
    return std::make_unique<WholeGreyReader>(std::move(image));
}

void normalizePolarity(std::uint8_t* grey, int width, int height, std::ptrdiff_t stride) {
    constexpr int cell = 4;
    // Cells on each side that the background is taken from: about 25 pixels, wider than a line of
    // UI text is tall, narrower than a title or status bar, so that their own background decides them.
    constexpr int reach = 6;
    constexpr int levels = 16;
    constexpr int levelSize = 256 / levels;
    constexpr std::uint8_t inverted = 0x80;
    using Histogram = std::array<std::uint8_t, levels>; // a cell's 16 pixels fit a byte
    using Sums = std::array<std::uint16_t, levels>;     // 13 × 13 cells of 16 pixels fit 16 bits
    if (width <= 0 || height <= 0) {
        return;
    }
    const int columns = (width + cell - 1) / cell;
    const int rows = (height + cell - 1) / cell;
    std::vector<Histogram> cells(std::size_t(columns) * std::size_t(rows));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* line = grey + y * stride;
        Histogram* cellRow = &cells[std::size_t(y / cell) * std::size_t(columns)];
        for (int x = 0; x < width; ++x) {
            ++cellRow[x / cell][line[x] / levelSize];
        }
    }

    // Each cell's background level, marked when it is dark. Window sums: each column's over the
    // cell rows within reach, then a running sum along the row.
    std::vector<std::uint8_t> backgrounds(cells.size());
    std::vector<Sums> columnSums(std::size_t(columns), Sums{});
    const auto addRow = [&](int cellRowIndex, int sign) {
        const Histogram* cellRow = &cells[std::size_t(cellRowIndex) * std::size_t(columns)];
        for (int cx = 0; cx < columns; ++cx) {
            for (int level = 0; level < levels; ++level) {
                columnSums[cx][level] = std::uint16_t(columnSums[cx][level] + sign * cellRow[cx][level]);
            }
        }
    };
    for (int cy = 0; cy <= std::min(reach, rows - 1); ++cy) {
        addRow(cy, 1);
    }
    for (int cy = 0; cy < rows; ++cy) {
        Sums window{};
        const auto addColumn = [&](int cx, int sign) {
            for (int level = 0; level < levels; ++level) {
                window[level] = std::uint16_t(window[level] + sign * columnSums[cx][level]);
            }
        };
        for (int cx = 0; cx <= std::min(reach, columns - 1); ++cx) {
            addColumn(cx, 1);
        }
        for (int cx = 0; cx < columns; ++cx) {
            // Ties go to the lighter level, which leaves the cell as it is.
            int background = levels - 1;
            for (int level = levels - 2; level >= 0; --level) {
                if (window[level] > window[background]) {
                    background = level;
                }
            }
            backgrounds[std::size_t(cy) * columns + cx] =
                std::uint8_t(background | (background < levels / 2 ? inverted : 0));
            if (cx + reach + 1 < columns) {
                addColumn(cx + reach + 1, 1);
            }
            if (cx - reach >= 0) {
                addColumn(cx - reach, -1);
            }
        }
        if (cy + reach + 1 < rows) {
            addRow(cy + reach + 1, 1);
        }
        if (cy - reach >= 0) {
            addRow(cy - reach, -1);
        }
    }

    // Where a dark region meets a light one, the cells along the edge (and the corners, which the
    // windows round off) hold both backgrounds; each of their pixels goes with the background it is
    // nearer, so that the edge leaves no dark frame around an inverted panel. Elsewhere, i.e. for
    // most cells, the whole cell goes with its own background.
    constexpr int edgeReach = 2;
    const auto centre = [](std::uint8_t background) {
        return (background & 0x0f) * levelSize + levelSize / 2;
    };
    // The dark cells above and to the left of each cell corner, so that the count within any
    // rectangle of cells takes four look-ups; in the room of the histograms, which are done with.
    cells = {};
    const std::size_t corners = std::size_t(columns) + 1;
    std::vector<int> darkBefore(corners * (std::size_t(rows) + 1), 0);
    for (int cy = 0; cy < rows; ++cy) {
        for (int cx = 0; cx < columns; ++cx) {
            const bool dark = (backgrounds[std::size_t(cy) * columns + cx] & inverted) != 0;
            darkBefore[(cy + 1) * corners + cx + 1] = int(dark) + darkBefore[cy * corners + cx + 1] +
                                                      darkBefore[(cy + 1) * corners + cx] -
                                                      darkBefore[cy * corners + cx];
        }
    }
    for (int cy = 0; cy < rows; ++cy) {
        const int top = std::max(0, cy - edgeReach);
        const int bottom = std::min(rows, cy + edgeReach + 1);
        for (int cx = 0; cx < columns; ++cx) {
            const std::uint8_t own = backgrounds[std::size_t(cy) * columns + cx];
            const int left = cx * cell;
            const int right = std::min(width, left + cell);
            const int first = std::max(0, cx - edgeReach);
            const int last = std::min(columns, cx + edgeReach + 1);
            const int darkNear = darkBefore[bottom * corners + last] - darkBefore[top * corners + last] -
                                 darkBefore[bottom * corners + first] + darkBefore[top * corners + first];
            if (darkNear == ((own & inverted) != 0 ? (bottom - top) * (last - first) : 0)) {
                if ((own & inverted) != 0) {
                    for (int y = cy * cell; y < std::min(height, (cy + 1) * cell); ++y) {
                        std::uint8_t* line = grey + y * stride;
                        for (int x = left; x < right; ++x) {
                            line[x] = std::uint8_t(255 - line[x]);
                        }
                    }
                }
                continue;
            }
            std::uint8_t other = own;
            for (int dy = -edgeReach; dy <= edgeReach && other == own; ++dy) {
                for (int dx = -edgeReach; dx <= edgeReach; ++dx) {
                    const int ny = cy + dy, nx = cx + dx;
                    if (ny >= 0 && ny < rows && nx >= 0 && nx < columns &&
                        (backgrounds[std::size_t(ny) * columns + nx] & inverted) != (own & inverted)) {
                        other = backgrounds[std::size_t(ny) * columns + nx];
                        break;
                    }
                }
            }
            const int ownCentre = centre(own);
            const int otherCentre = centre(other);
            for (int y = cy * cell; y < std::min(height, (cy + 1) * cell); ++y) {
                std::uint8_t* line = grey + y * stride;
                for (int x = left; x < right; ++x) {
                    const bool nearerOther = std::abs(line[x] - otherCentre) < std::abs(line[x] - ownCentre);
                    if (((nearerOther ? other : own) & inverted) != 0) {
                        line[x] = std::uint8_t(255 - line[x]);
                    }
                }
            }
        }
    }
}

} // namespace snipstack
