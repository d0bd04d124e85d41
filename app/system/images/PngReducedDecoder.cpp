#include "app/system/images/PngReducedDecoder.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <png.h>

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

// libpng refuses wider or taller images itself; this is its own default, kept explicit because the
// row buffers, ours and libpng's, grow with the width.
constexpr png_uint_32 maxSide = 1'000'000;

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

// Everything libpng's callbacks touch is plain data, because an error leaves them by longjmp.
struct Decoding {
    png_structp png = nullptr;
    png_infop info = nullptr;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t offset = 0;
    char error[160] = {};
};

void readBytes(png_structp png, png_bytep out, png_size_t length) {
    auto* decoding = static_cast<Decoding*>(png_get_io_ptr(png));
    if (length > decoding->size - decoding->offset) {
        png_error(png, "the data ends early");
    }
    std::memcpy(out, decoding->data + decoding->offset, length);
    decoding->offset += length;
}

[[noreturn]] void onError(png_structp png, png_const_charp message) {
    auto* decoding = static_cast<Decoding*>(png_get_error_ptr(png));
    std::strncpy(decoding->error, message, sizeof decoding->error - 1);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

struct Header {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    bool interlaced = false;
    // No alpha channel and no transparent colour: rows come as RGB.
    bool opaque = false;
};

// The two functions that call setjmp hold only trivially destructible locals, so that a longjmp out
// of libpng skips no destructor; their callers own every buffer.
bool readHeader(Decoding& decoding, std::uint64_t maxSourcePixels, Header& header) {
    if (setjmp(png_jmpbuf(decoding.png))) {
        return false;
    }
    png_set_user_limits(decoding.png, maxSide, maxSide);
    // Text, colour profiles and other metadata are not needed for a thumbnail, nor decompressed.
    png_set_keep_unknown_chunks(decoding.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    // Each chunk's CRC already guards the compressed data; checksumming a gigabyte of inflated
    // pixels again costs a tenth of the decode.
    png_set_option(decoding.png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    png_read_info(decoding.png, decoding.info);

    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int interlace = 0;
    png_get_IHDR(decoding.png, decoding.info, &width, &height, &bitDepth, &colourType, &interlace, nullptr,
                 nullptr);
    if (std::uint64_t(width) * height > maxSourcePixels) {
        std::strncpy(decoding.error, "the image declares too many pixels", sizeof decoding.error - 1);
        return false;
    }
    // Every colour type and depth becomes 8-bit RGB, with alpha unless the image is opaque: palettes,
    // low-depth grey and tRNS expand, 16-bit samples are scaled (not truncated), grey becomes RGB.
    const bool opaque = (colourType & PNG_COLOR_MASK_ALPHA) == 0 &&
                        png_get_valid(decoding.png, decoding.info, PNG_INFO_tRNS) == 0;
    const int channels = opaque ? 3 : 4;
    png_set_expand(decoding.png);
    png_set_scale_16(decoding.png);
    png_set_gray_to_rgb(decoding.png);
    // Interlace handling stays off: libpng then hands over each Adam7 pass as its own small image,
    // which needs no full-size buffer to reassemble.
    png_read_update_info(decoding.png, decoding.info);
    if (png_get_channels(decoding.png, decoding.info) != channels ||
        png_get_bit_depth(decoding.png, decoding.info) != 8 ||
        png_get_rowbytes(decoding.png, decoding.info) != png_size_t(width) * channels) {
        std::strncpy(decoding.error, "unexpected pixel layout", sizeof decoding.error - 1);
        return false;
    }
    header = {width, height, interlace == PNG_INTERLACE_ADAM7, opaque};
    return true;
}

template <int channels>
bool readRows(Decoding& decoding, const Header& header, png_bytep row, AreaAccumulator& accumulator) {
    if (setjmp(png_jmpbuf(decoding.png))) {
        return false;
    }
    if (!header.interlaced) {
        for (png_uint_32 y = 0; y < header.height; ++y) {
            png_read_row(decoding.png, row, nullptr);
            accumulator.addRow<channels>(row, header.width, y, 0, 1);
        }
        return true;
    }
    for (int pass = 0; pass < PNG_INTERLACE_ADAM7_PASSES; ++pass) {
        const png_uint_32 columns = PNG_PASS_COLS(header.width, pass);
        const png_uint_32 rows = PNG_PASS_ROWS(header.height, pass);
        // libpng skips empty passes; so must we.
        if (columns == 0 || rows == 0) {
            continue;
        }
        for (png_uint_32 passRow = 0; passRow < rows; ++passRow) {
            png_read_row(decoding.png, row, nullptr);
            accumulator.addRow<channels>(row, columns, PNG_ROW_FROM_PASS_ROW(passRow, pass),
                                         PNG_PASS_START_COL(pass), 1U << PNG_PASS_COL_SHIFT(pass));
        }
    }
    return true;
}

struct PngStructs {
    Decoding& decoding;
    ~PngStructs() { png_destroy_read_struct(&decoding.png, &decoding.info, nullptr); }
};

} // namespace

std::optional<ReducedImage> decodeReducedPng(std::span<const std::uint8_t> png, int maxSide,
                                             std::uint64_t maxSourcePixels, std::string* failure) {
    const auto fail = [&](const char* reason) -> std::optional<ReducedImage> {
        if (failure) {
            *failure = reason;
        }
        return std::nullopt;
    };
    if (maxSide < 1) {
        return fail("no room for a thumbnail");
    }
    if (png.size() < 8 || png_sig_cmp(png.data(), 0, 8) != 0) {
        return fail("not a PNG");
    }
    Decoding decoding{};
    decoding.data = png.data();
    decoding.size = png.size();
    decoding.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &decoding, onError, onWarning);
    if (!decoding.png) {
        return fail("libpng could not start");
    }
    PngStructs structs{decoding};
    decoding.info = png_create_info_struct(decoding.png);
    if (!decoding.info) {
        return fail("libpng could not start");
    }
    png_set_read_fn(decoding.png, &decoding, readBytes);

    Header header;
    if (!readHeader(decoding, std::min(maxSourcePixels, maxPixelsEver), header)) {
        return fail(decoding.error);
    }
    const PixelSize source{header.width, header.height};
    const PixelSize reduced = fittedSize(source, maxSide);
    std::vector<png_byte> row(std::size_t(header.width) * 4);
    AreaAccumulator accumulator(source, reduced, !header.interlaced, header.opaque);
    const bool read = header.opaque ? readRows<3>(decoding, header, row.data(), accumulator)
                                    : readRows<4>(decoding, header, row.data(), accumulator);
    if (!read) {
        return fail(decoding.error);
    }
    // The rest of the file (trailing metadata, the end marker) adds nothing to the thumbnail.
    return ReducedImage{source, reduced, accumulator.finish()};
}

} // namespace snipstack
