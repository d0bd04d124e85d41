#include "app/system/images/PngReducedDecoder.h"

#include "app/system/images/PngRowReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace snipstack {

PixelSize fittedSize(PixelSize source, int maxSide) {
    const std::int64_t longest = std::max(source.width, source.height);
    if (longest <= maxSide) {
        return source;
    }
    const double scale = double(maxSide) / double(longest);
    return {std::max<std::int64_t>(1, std::llround(double(source.width) * scale)),
            std::max<std::int64_t>(1, std::llround(double(source.height) * scale))};
}

namespace {

// Keeps the sums below 2^56 whatever bound the caller passes.
constexpr std::uint64_t maxPixelsEver = std::uint64_t(1) << 40;

// Colour premultiplied by alpha, times the shared area.
struct Sums {
    std::uint64_t red = 0;
    std::uint64_t green = 0;
    std::uint64_t blue = 0;
    std::uint64_t alpha = 0;
};

// Box-filters source pixels into reduced cells by the exact area they share. Along an axis of `n`
// source pixels and `m` cells, a pixel spans m units and a cell n units, so every overlap is a whole
// number and the sums are exact. A source row's pixels are summed across first, then spread over the
// one or two reduced rows the source row overlaps.
class AreaAccumulator {
public:
    AreaAccumulator(PixelSize source, PixelSize reduced, bool rowsInOrder, bool opaque)
        : source_(source), reduced_(reduced), heldRows_(rowsInOrder ? 2 : reduced.height),
          rowsInOrder_(rowsInOrder), opaque_(opaque), line_(std::size_t(reduced.width)),
          held_(std::size_t(reduced.width * heldRows_)),
          rgba_(std::size_t(reduced.width * reduced.height * 4)) {}

    // Adds `count` pixels of source row `y` that sit at columns x0, x0 + step, x0 + 2 step, ...: RGBA,
    // or RGB for an opaque image, whose alpha weighs every pixel alike and so is left out of the sums.
    template <int channels>
    void addRow(const std::uint8_t* pixels, std::uint32_t count, std::uint32_t y, std::uint32_t x0,
                std::uint32_t step) noexcept {
        static_assert(channels == 3 || channels == 4);
        std::fill(line_.begin(), line_.end(), Sums{});
        const std::uint64_t width = std::uint64_t(source_.width);
        const std::uint64_t span = std::uint64_t(reduced_.width);
        std::uint64_t start = std::uint64_t(x0) * span;
        std::uint64_t cell = start / width;
        std::uint64_t cellEnd = (cell + 1) * width;
        const std::uint64_t advance = std::uint64_t(step) * span;
        // Pixels wholly inside the cell all weigh `span`: they are summed plainly and weighed once.
        Sums inside;
        bool pending = false;
        for (std::uint32_t i = 0; i < count; ++i, pixels += channels) {
            const Sums pixel =
                channels == 3 ? Sums{pixels[0], pixels[1], pixels[2], 1}
                              : Sums{std::uint64_t(pixels[0]) * pixels[channels - 1],
                                     std::uint64_t(pixels[1]) * pixels[channels - 1],
                                     std::uint64_t(pixels[2]) * pixels[channels - 1], pixels[channels - 1]};
            if (start + span <= cellEnd) {
                add(inside, pixel, 1);
                pending = true;
            } else {
                const std::uint64_t first = cellEnd - start;
                add(line_[cell], pixel, first);
                add(line_[cell + 1], pixel, span - first);
            }
            start += advance;
            while (start >= cellEnd) {
                if (pending) {
                    add(line_[cell], inside, span);
                    inside = {};
                    pending = false;
                }
                ++cell;
                cellEnd += width;
            }
        }
        if (pending) {
            add(line_[cell], inside, span);
        }

        const std::uint64_t height = std::uint64_t(source_.height);
        const std::uint64_t rowSpan = std::uint64_t(reduced_.height);
        const std::uint64_t top = std::uint64_t(y) * rowSpan;
        const std::int64_t row = std::int64_t(top / height);
        const std::uint64_t rowEnd = std::uint64_t(row + 1) * height;
        if (rowsInOrder_) {
            // Rows above can receive nothing more.
            while (emitted_ < row) {
                emit(emitted_++);
            }
        }
        if (top + rowSpan <= rowEnd) {
            spread(row, rowSpan);
        } else {
            spread(row, rowEnd - top);
            spread(row + 1, rowSpan - (rowEnd - top));
        }
    }

    // The reduced image, once every source pixel has been added.
    std::vector<std::uint8_t> finish() noexcept {
        while (emitted_ < reduced_.height) {
            emit(emitted_++);
        }
        return std::move(rgba_);
    }

private:
    static void add(Sums& sums, const Sums& pixel, std::uint64_t weight) noexcept {
        sums.red += pixel.red * weight;
        sums.green += pixel.green * weight;
        sums.blue += pixel.blue * weight;
        sums.alpha += pixel.alpha * weight;
    }

    Sums* heldRow(std::int64_t row) noexcept { return held_.data() + (row % heldRows_) * reduced_.width; }

    void spread(std::int64_t row, std::uint64_t weight) noexcept {
        Sums* target = heldRow(row);
        for (const Sums& sums : line_) {
            add(*target++, sums, weight);
        }
    }

    void emit(std::int64_t row) noexcept {
        // Every cell covers width × height units of area. A double carries the sums far more
        // precisely than an 8-bit channel needs; one reciprocal a pixel instead of four 64-bit
        // divisions saves a large share of a screenshot's decode, for at most a rare difference of
        // one in a rounded channel.
        const double perArea = (opaque_ ? 255.0 : 1.0) / (double(source_.width) * double(source_.height));
        Sums* sums = heldRow(row);
        std::uint8_t* out = rgba_.data() + row * reduced_.width * 4;
        for (std::int64_t x = 0; x < reduced_.width; ++x, ++sums, out += 4) {
            if (sums->alpha != 0) {
                const double perAlpha = 1.0 / double(sums->alpha);
                out[0] = channel(double(sums->red) * perAlpha);
                out[1] = channel(double(sums->green) * perAlpha);
                out[2] = channel(double(sums->blue) * perAlpha);
                out[3] = channel(double(sums->alpha) * perArea);
            }
            *sums = Sums{};
        }
    }

    static std::uint8_t channel(double value) noexcept { return std::uint8_t(std::min(value + 0.5, 255.0)); }

    PixelSize source_;
    PixelSize reduced_;
    std::int64_t heldRows_;
    bool rowsInOrder_;
    bool opaque_;
    std::int64_t emitted_ = 0;
    std::vector<Sums> line_;
    std::vector<Sums> held_;
    std::vector<std::uint8_t> rgba_;
};

} // namespace

std::optional<ReducedImage> decodeReducedPng(std::span<const std::uint8_t> png, int maxSide,
                                             std::uint64_t maxSourcePixels, std::string* failure) {
    const auto fail = [&](const std::string& reason) -> std::optional<ReducedImage> {
        if (failure) {
            *failure = reason;
        }
        return std::nullopt;
    };
    if (maxSide < 1) {
        return fail("no room for a thumbnail");
    }
    PngRowReader reader(png);
    if (!reader.start(std::min(maxSourcePixels, maxPixelsEver))) {
        return fail(reader.failure());
    }
    const PngRowReader::Header& header = reader.header();
    const PixelSize source{header.width, header.height};
    const PixelSize reduced = fittedSize(source, maxSide);
    AreaAccumulator accumulator(source, reduced, !header.interlaced, header.opaque);
    const auto add = [&](const std::uint8_t* pixels, std::uint32_t count, std::uint32_t y, std::uint32_t x0,
                         std::uint32_t step) {
        if (header.opaque) {
            accumulator.addRow<3>(pixels, count, y, x0, step);
        } else {
            accumulator.addRow<4>(pixels, count, y, x0, step);
        }
    };
    if (!(header.interlaced ? reader.readPasses(add) : reader.readRows(header.height, add))) {
        return fail(reader.failure());
    }
    // The rest of the file (trailing metadata, the end marker) adds nothing to the thumbnail.
    return ReducedImage{source, reduced, accumulator.finish()};
}

} // namespace snipstack
