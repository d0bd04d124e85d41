#include "app/system/images/PngRowReader.h"

#include <cmath>
#include <csetjmp>
#include <cstring>
#include <png.h>

namespace snipstack {

namespace {

using Decoding = PngRowReader::Decoding;

// libpng refuses wider or taller images itself; this is its own default, kept explicit because the
// row buffer grows with the width.
constexpr png_uint_32 maxSide = 1'000'000;

png_structp pngOf(Decoding& decoding) {
    return static_cast<png_structp>(decoding.png);
}

png_infop infoOf(Decoding& decoding) {
    return static_cast<png_infop>(decoding.info);
}

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
    std::strncpy(decoding->error, message ? message : "damaged PNG", sizeof decoding->error - 1);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void setError(Decoding& decoding, const char* message) {
    std::strncpy(decoding.error, message, sizeof decoding.error - 1);
}

// The functions that call setjmp hold only trivially destructible locals, so that a longjmp out of
// libpng skips no destructor; the reader owns every buffer.
bool readHeader(Decoding& decoding, std::uint64_t maxPixels, PngRowReader::Header& header) {
    png_structp png = pngOf(decoding);
    png_infop info = infoOf(decoding);
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_user_limits(png, maxSide, maxSide);
    // Text, colour profiles and other metadata are not needed, nor decompressed.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    // Each chunk's CRC already guards the compressed data; checksumming a gigabyte of inflated
    // pixels again costs a tenth of the decode.
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    png_read_info(png, info);

    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int interlace = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, &interlace, nullptr, nullptr);
    if (std::uint64_t(width) * height > maxPixels) {
        setError(decoding, "the image declares too many pixels");
        return false;
    }
    png_uint_32 resolutionX = 0;
    png_uint_32 resolutionY = 0;
    int unit = 0;
    const int dotsPerInch =
        png_get_pHYs(png, info, &resolutionX, &resolutionY, &unit) && unit == PNG_RESOLUTION_METER
            ? int(std::lround(resolutionX * 0.0254))
            : 0;
    // Palettes, low-depth grey and tRNS expand, 16-bit samples are scaled (not truncated), grey
    // becomes RGB, and the alpha channel stays only where something may be transparent.
    const bool opaque =
        (colourType & PNG_COLOR_MASK_ALPHA) == 0 && png_get_valid(png, info, PNG_INFO_tRNS) == 0;
    const png_byte channels = opaque ? 3 : 4;
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    // Interlace handling stays off: libpng then hands over each Adam7 pass as its own small image.
    png_read_update_info(png, info);
    if (png_get_channels(png, info) != channels || png_get_bit_depth(png, info) != 8 ||
        png_get_rowbytes(png, info) != png_size_t(width) * channels) {
        setError(decoding, "unexpected pixel layout");
        return false;
    }
    header = {width, height, interlace == PNG_INTERLACE_ADAM7, opaque, dotsPerInch};
    return true;
}

bool readPlainRows(Decoding& decoding, png_bytep row, std::uint32_t first, std::uint32_t rows,
                   std::uint32_t width, const PngRowReader::RowVisitor& visit) {
    if (setjmp(png_jmpbuf(pngOf(decoding)))) {
        return false;
    }
    for (std::uint32_t y = first; y < first + rows; ++y) {
        png_read_row(pngOf(decoding), row, nullptr);
        visit(row, width, y, 0, 1);
    }
    return true;
}

bool readAdam7Passes(Decoding& decoding, png_bytep row, const PngRowReader::Header& header,
                     const PngRowReader::RowVisitor& visit) {
    if (setjmp(png_jmpbuf(pngOf(decoding)))) {
        return false;
    }
    for (int pass = 0; pass < PNG_INTERLACE_ADAM7_PASSES; ++pass) {
        const png_uint_32 columns = PNG_PASS_COLS(header.width, pass);
        const png_uint_32 rows = PNG_PASS_ROWS(header.height, pass);
        // libpng skips empty passes; so must we.
        if (columns == 0 || rows == 0) {
            continue;
        }
        for (png_uint_32 passRow = 0; passRow < rows; ++passRow) {
            png_read_row(pngOf(decoding), row, nullptr);
            visit(row, columns, PNG_ROW_FROM_PASS_ROW(passRow, pass), PNG_PASS_START_COL(pass),
                  1U << PNG_PASS_COL_SHIFT(pass));
        }
    }
    return true;
}

} // namespace

PngRowReader::~PngRowReader() {
    close();
}

void PngRowReader::close() {
    if (decoding_.png) {
        png_structp png = pngOf(decoding_);
        png_infop info = infoOf(decoding_);
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
    decoding_ = Decoding{};
}

bool PngRowReader::start(std::uint64_t maxPixels) {
    close();
    header_ = Header{};
    nextRow_ = 0;
    const auto fail = [&](const char* reason) {
        failure_ = reason;
        close();
        return false;
    };
    if (png_.size() < 8 || png_sig_cmp(png_.data(), 0, 8) != 0) {
        return fail("not a PNG");
    }
    decoding_.data = png_.data();
    decoding_.size = png_.size();
    decoding_.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &decoding_, onError, onWarning);
    decoding_.info = decoding_.png ? png_create_info_struct(pngOf(decoding_)) : nullptr;
    if (!decoding_.info) {
        return fail("libpng could not start");
    }
    png_set_read_fn(pngOf(decoding_), &decoding_, readBytes);
    if (!readHeader(decoding_, maxPixels, header_)) {
        return fail(decoding_.error);
    }
    row_.resize(std::size_t(header_.width) * std::size_t(channels()));
    return true;
}

bool PngRowReader::readRows(std::uint32_t rows, const RowVisitor& visit) {
    if (!decoding_.png || header_.interlaced || rows > header_.height - nextRow_) {
        return false;
    }
    const std::uint32_t first = nextRow_;
    nextRow_ += rows;
    if (!readPlainRows(decoding_, row_.data(), first, rows, header_.width, visit)) {
        failure_ = decoding_.error;
        // libpng cannot go on after an error.
        close();
        return false;
    }
    return true;
}

bool PngRowReader::readPasses(const RowVisitor& visit) {
    if (!decoding_.png || !header_.interlaced || nextRow_ != 0) {
        return false;
    }
    nextRow_ = header_.height;
    if (!readAdam7Passes(decoding_, row_.data(), header_, visit)) {
        failure_ = decoding_.error;
        close();
        return false;
    }
    return true;
}

} // namespace snipstack
